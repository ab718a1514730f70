#pragma once

#include <string>

struct sqlite3;
struct sqlite3_backup;

namespace sentinex {

class Database;

/// A copy of an open database into a new file, a few pages at a time, through the engine's online
/// backup. The source stays usable between two steps; what its own connection writes meanwhile is
/// carried into the copy, so polling can go on while the copy is made.
class OnlineBackup {
public:
    /// Starts a copy of `source` into `destination`, which must not exist yet. Throws DatabaseError when
    /// the file cannot be created.
    OnlineBackup(Database& source, std::string destination);
    /// Closes the copy; an unfinished copy is left as it is (the caller removes it).
    ~OnlineBackup();
    OnlineBackup(const OnlineBackup&) = delete;
    OnlineBackup& operator=(const OnlineBackup&) = delete;

    /// Copies up to `pages` more pages (-1: all that are left). Returns true once the copy is complete
    /// and closed. A source locked for a moment is retried at the next step. Throws DatabaseError with
    /// the engine's text on a failure (a full disk, a file that cannot be written).
    bool step(int pages);
    /// Pages copied so far and pages in all, as of the last step (0 of 0 before the first).
    int copiedPages() const { return m_total - m_remaining; }
    int totalPages() const { return m_total; }
    bool done() const { return m_done; }

    /// The file at `path` synced to the disk, then the engine's integrity check of it on a connection of
    /// its own: the empty text when it passes, else the first problem it names (or why the file cannot
    /// be synced or opened). Never throws.
    static std::string integrityProblem(const std::string& path);

private:
    void close();

    std::string m_destination;
    sqlite3* m_target = nullptr;
    sqlite3_backup* m_backup = nullptr;
    int m_remaining = 0;
    int m_total = 0;
    bool m_done = false;
};

} // namespace sentinex
