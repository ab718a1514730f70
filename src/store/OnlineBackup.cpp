#include "OnlineBackup.hpp"

#include "Database.hpp"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace sentinex {

OnlineBackup::OnlineBackup(Database& source, std::string destination)
    : m_destination(std::move(destination)) {
    std::error_code ec;
    if (std::filesystem::exists(m_destination, ec)) {
        throw DatabaseError("the backup file already exists: " + m_destination);
    }
    const int rc = sqlite3_open_v2(m_destination.c_str(), &m_target,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string text = m_target ? sqlite3_errmsg(m_target) : sqlite3_errstr(rc);
        close();
        throw DatabaseError(text);
    }
    // A copy that fails is removed whole, so it needs no journal; and its one sync comes in
    // `integrityProblem`, off the thread that serves the doors, rather than at the last step.
    sqlite3_exec(m_target, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
    m_backup = sqlite3_backup_init(m_target, "main", source.handle(), "main");
    if (m_backup == nullptr) {
        const std::string text = sqlite3_errmsg(m_target);
        close();
        throw DatabaseError(text);
    }
}

OnlineBackup::~OnlineBackup() {
    close();
}

void OnlineBackup::close() {
    if (m_backup) {
        sqlite3_backup_finish(m_backup);
        m_backup = nullptr;
    }
    if (m_target) {
        sqlite3_close_v2(m_target);
        m_target = nullptr;
    }
}

bool OnlineBackup::step(int pages) {
    if (m_done) {
        return true;
    }
    const int rc = sqlite3_backup_step(m_backup, pages);
    m_remaining = sqlite3_backup_remaining(m_backup);
    m_total = sqlite3_backup_pagecount(m_backup);
    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        return false; // more to copy, or the source is busy for a moment: the next step goes on
    }
    if (rc != SQLITE_DONE) {
        // The error is recorded on the destination connection; finish releases the step's locks.
        const std::string text = sqlite3_errstr(rc);
        close();
        throw DatabaseError(text);
    }
    const int finish = sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    const int closed = sqlite3_close_v2(m_target);
    m_target = nullptr;
    if (finish != SQLITE_OK || closed != SQLITE_OK) {
        throw DatabaseError(sqlite3_errstr(finish != SQLITE_OK ? finish : closed));
    }
    m_done = true;
    return true;
}

std::string OnlineBackup::integrityProblem(const std::string& path) {
    // What the copy wrote is on the disk before it is read back and counted.
    if (const int fd = ::open(path.c_str(), O_RDWR); fd >= 0) {
        const bool synced = ::fsync(fd) == 0;
        ::close(fd);
        if (!synced) {
            return std::string("fsync: ") + std::strerror(errno);
        }
    }
    sqlite3* db = nullptr;
    std::string problem;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        problem = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close_v2(db);
        return problem;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &stmt, nullptr) != SQLITE_OK) {
        problem = sqlite3_errmsg(db);
    } else {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            const std::string result = text ? text : "";
            if (result != "ok") {
                problem = result.empty() ? "integrity check failed" : result;
            }
        } else {
            problem = sqlite3_errmsg(db);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    return problem;
}

} // namespace sentinex
