#pragma once

#include "Value.hpp"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace sentinex {

/// Raised by the record store for any engine error; `what()` is the engine's message.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    /// What the operator reads before the engine's text when nobody closer has more to say.
    static constexpr const char* ShownPrefix = "Operazione non eseguita: errore dell'archivio dati.\n";
};

/// An open SQLite database file. Opening never creates a missing file.
/// The connection carries the functions CDATE(text) and cdbl(x) so history statements can compare
/// dates stored as "dd/mm/yyyy[ HH:MM[:SS]]" texts as day numbers (days since 30 December 1899).
class Database {
public:
    /// How long a connection waits for a lock held elsewhere before an operation fails.
    static constexpr int DefaultBusyTimeoutMs = 5000;

    /// Opens an existing file read-write, for use by one thread at a time (no engine mutex). Throws
    /// DatabaseError when it is missing, unreadable or not a database. Every connection waits up to 5 s
    /// for a lock held elsewhere before failing.
    /// `mainDb` turns on WAL and full sync (a transit that was shown is on disk).
    static std::shared_ptr<Database> open(const std::string& path, bool mainDb = true);
    /// Creates a new file from schema SQL (used by installation tools and tests). Throws DatabaseError
    /// when the file already exists or the schema fails (the half-made file is then removed).
    static std::shared_ptr<Database> create(const std::string& path, const std::string& schemaSql,
                                            bool mainDb = true);
    /// Replaces the database file `path` with a copy of `from` (the report database's empty ".schema"
    /// copy at start-up): the copy is written beside `path` and renamed over it, and journal files
    /// left beside `path` (-wal, -shm, -journal) are removed so they cannot be replayed onto the copy.
    /// Returns false, leaving `path` as it was, when `from` is missing or the copy fails. Never throws.
    /// No connection to `path` may be open.
    static bool replaceWithCopy(const std::string& from, const std::string& path);
    /// What the operator is told about a file the engine refuses: "Archivio '<path>' danneggiato o
    /// illeggibile (<engine text>)."
    static std::string unusableFileMessage(const std::string& path, const std::string& engineText);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

    /// Runs one statement with bound parameters (`?` placeholders); returns the rows changed.
    int execute(const std::string& sql, const std::vector<Value>& params = {});
    /// Runs a script of statements without parameters.
    void executeScript(const std::string& sql);
    /// Runs a query and returns every row (column values in order).
    std::vector<std::vector<Value>> query(const std::string& sql, const std::vector<Value>& params = {});
    /// True when a table or view of that name exists (case-insensitive).
    bool hasRelation(const std::string& name);
    /// Column names of a table or view, in order.
    std::vector<std::string> columns(const std::string& relation);
    /// Throws DatabaseError naming the first missing one unless every table or view of `names` exists,
    /// so a file that is an SQLite database but not one of ours counts as "cannot be opened".
    void requireRelations(const std::vector<std::string>& names);
    /// Sets how long the connection waits for a lock held elsewhere (the default is restored by passing
    /// DefaultBusyTimeoutMs).
    void setBusyTimeout(int ms);
    /// Key of the row most recently inserted through this connection.
    std::int64_t lastInsertRowid() const;

    /// Where the writes to one table stand. A value derived from the table, kept beside the mark it was
    /// read at, is still right while the mark stays the same.
    struct ChangeMark {
        std::int64_t otherConnections = 0;
        std::int64_t thisConnection = 0;
        bool operator==(const ChangeMark&) const = default;
    };
    /// The mark of `table` of the main file: equal marks mean no row of `table` was inserted, changed or
    /// deleted through this connection, and no other connection committed to the file, in between;
    /// writes to the other tables through this connection leave it alone. The table's
    /// rows are followed from the first call on; a statement that empties it deletes row by row then,
    /// also one prepared before (the engine prepares it again).
    ChangeMark changeMark(const std::string& table);

private:
    explicit Database(std::string path);
    // The engine's callbacks; `long long` is the engine's own 64-bit key type.
    static void rowChanged(void* self, int operation, const char* database, const char* table, long long key);
    static int authorize(void* self, int action, const char* first, const char* second, const char* database,
                         const char* trigger);
    /// Row changes seen through this connection for each table followed, by name.
    struct FollowedTable {
        std::string name;
        std::int64_t changes = 0;
    };
    FollowedTable* followed(const char* database, const char* table);

    std::string m_path;
    sqlite3* m_db = nullptr;
    std::vector<FollowedTable> m_followed;
};

/// Days since 30 December 1899 of a "dd/mm/yyyy" text, with the time of day as a fraction when
/// " HH:MM[:SS]" follows. Returns false for a text that is not such a date.
bool dateTextToDaySerial(const std::string& text, double& serial);

/// Registers the program's SQL functions on `db`: CDATE (a "dd/mm/yyyy[ HH:MM[:SS]]" text to its day
/// serial, NULL when it is no such date) and cdbl (the leading number of a text). Every connection the
/// program opens has them; a bare connection gets the very same ones here.
void addProgramFunctions(sqlite3* db);

} // namespace sentinex
