#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sentinex {

/// A Windows-style profile file ("[Section]" lines, "Key=Value" lines). Section and key names match
/// without regard to case; blanks around names and values are ignored. The file is read as
/// Windows-1252 (UTF-8 accepted too) and values are returned as UTF-8. Nothing here throws.
class ProfileFile {
public:
    explicit ProfileFile(std::string path) : m_path(std::move(path)) {}

    /// Value of `key` in `section`, cut to `maxLength - 1` characters (the receive buffer holds a NUL),
    /// or `def` when the file, section or key is missing.
    std::string read(const std::string& section, const std::string& key, const std::string& def,
                     std::size_t maxLength) const;
    /// Value of the key or nothing, uncut.
    std::optional<std::string> find(const std::string& section, const std::string& key) const;
    /// Every key line of the first section of that name, in file order (empty when file or section is
    /// missing): one read of the file for callers that need many keys.
    std::vector<std::pair<std::string, std::string>> section(const std::string& name) const;
    /// The first entry of `key` (without regard to case) in what section() returned.
    static std::optional<std::string> lookup(const std::vector<std::pair<std::string, std::string>>& entries,
                                             const std::string& key);
    /// `value` cut to `maxLength - 1` characters, as read() cuts it.
    static std::string cut(const std::string& value, std::size_t maxLength);

    /// Replaces the key's line or adds one, creating the section or the file when missing. Other
    /// sections, keys, comments and the file's encoding are kept. The file is replaced atomically
    /// (temporary file, flush, rename), so a crash never leaves it half-written.
    /// Returns false, leaving the old file untouched, when the write fails.
    bool write(const std::string& section, const std::string& key, const std::string& value) const;
    /// Several writes to one section in one atomic rewrite, applied in order (new keys are added in
    /// this order). Returns false, leaving the old file untouched, when the write fails.
    /// A value is cut at its first line break, so it can never add lines of its own.
    bool writeAll(const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& entries) const;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace sentinex
