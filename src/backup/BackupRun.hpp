#pragma once

#include "core/Clock.hpp"

#include <functional>
#include <future>
#include <memory>
#include <string>

namespace sentinex {

class Database;
class OnlineBackup;

/// One backup of the installation into a new dated folder: the settings file, "Date.txt" and the
/// password file when present, and the main database copied from the live connection a few pages per
/// `advance`, so the caller serves polling between two slices. The copy counts only once the engine's
/// integrity check passes on it; that check reads the whole copy, so it runs on a thread of its own over
/// its own connection to the copy (nothing else touches that file) while the slices keep returning at
/// once. A failed backup removes its folder and says why.
class BackupRun {
public:
    enum class State { Copying, Checking, Done, Failed };

    /// Pages per slice: 256 pages of 4 KiB take a few milliseconds, far below a polling step.
    static constexpr int DefaultPagesPerSlice = 256;
    /// The files copied beside the database when present, from the program folder.
    static constexpr const char* SideFiles[] = {"Sentinex.ini", "Date.txt", "pswsentinex.txt"};
    static constexpr const char* DatabaseFile = "Sentinex.mdb";

    /// The check of a finished copy: the empty text when it passes, else the problem.
    using Check = std::function<std::string(const std::string& path)>;

    /// A backup of `db` and of the side files of `programDir` into `root`/AAAAMMGG-HHMMSS of `when`.
    /// Nothing is done until the first `advance`. `check` (empty: the engine's integrity check) runs on
    /// its own thread.
    BackupRun(Database& db, std::string programDir, std::string root, const DateTime& when,
              int pagesPerSlice = DefaultPagesPerSlice, Check check = {});
    ~BackupRun();
    BackupRun(const BackupRun&) = delete;
    BackupRun& operator=(const BackupRun&) = delete;

    /// One slice of the work: the folder and the side files, or some pages, or a look at the check.
    /// Returns true once the backup has ended (Done or Failed). Never throws.
    bool advance();
    /// Runs the slices until the end, calling `between` after each one (the caller's polling).
    void runToEnd(const std::function<void()>& between);

    State state() const { return m_state; }
    bool finished() const { return m_state == State::Done || m_state == State::Failed; }
    /// How far the copy has got, 0 to 100 (100 while the copy is checked and after).
    int percent() const;
    /// The dated folder (full path) and its name.
    const std::string& folder() const { return m_folder; }
    const std::string& name() const { return m_name; }
    /// Why a failed backup failed, in Italian with the engine's or the system's words in brackets.
    const std::string& failure() const { return m_failure; }

private:
    void start();
    void fail(const std::string& text);

    Database& m_db;
    std::string m_programDir;
    std::string m_name;
    std::string m_folder;
    int m_pagesPerSlice;
    Check m_checkCopy;
    State m_state = State::Copying;
    bool m_started = false;
    std::unique_ptr<OnlineBackup> m_copy;
    std::future<std::string> m_check;
    std::string m_failure;
};

} // namespace sentinex
