#pragma once

#include <optional>
#include <string>

namespace sentinex {

/// The two switches of the main window as a run left them.
struct Switches {
    bool polling = false;
    bool output = false;

    bool any() const { return polling || output; }
    bool operator==(const Switches&) const = default;
};

/// "Sentinex.run" in the program folder: present while the program runs, with the switches as they
/// stand, and removed by a clean exit. A file found at start-up therefore says that the previous run
/// ended without one (killed, crashed, power lost) and what polling and automatic output were doing.
/// Each write replaces the file whole (temporary file, flush, rename; mode 0640), so a kill never
/// leaves half of it. Nothing here throws.
class RunStateFile {
public:
    static constexpr const char* FileName = "Sentinex.run";

    explicit RunStateFile(std::string path) : m_path(std::move(path)) {}

    /// The switches of a previous run that ended without a clean exit; nothing when it ended cleanly
    /// (no file) or the file cannot be read or is not one this program wrote.
    std::optional<Switches> unfinishedRun() const;
    /// The program runs with `switches`. Returns false when the file could not be written (the old one,
    /// if any, stays).
    bool recordRunning(const Switches& switches) const;
    /// The program ends on purpose: the file goes. Returns false when it could not be removed.
    bool recordCleanExit() const;

    /// The file's text for `switches`.
    static std::string text(const Switches& switches);
    /// The switches `text` holds, or nothing when it is not exactly a text that `text()` makes.
    static std::optional<Switches> parse(const std::string& text);

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace sentinex
