#include "Database.hpp"

#include "core/Clock.hpp"

#include "SqlStatement.hpp"
#include "core/Numbers.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sqlite3.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace sentinex {

namespace {

constexpr int kBusyTimeoutMs = Database::DefaultBusyTimeoutMs;

// A connection is used by one thread at a time (the program does all its database work on the window
// thread), so the engine's own locking of every call is pure cost: open without it. A connection may
// still move to another thread, as long as two never use it at once.
constexpr int kOneThreadAtATime = SQLITE_OPEN_NOMUTEX;

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : d[m - 1];
}

// Reads 1..maxDigits digits at `i`.
bool readNumber(const std::string& s, std::size_t& i, int minDigits, int maxDigits, int& out) {
    int n = 0;
    out = 0;
    while (i < s.size() && n < maxDigits && s[i] >= '0' && s[i] <= '9') {
        out = out * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    return n >= minDigits;
}

void cdateFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER || sqlite3_value_type(argv[0]) == SQLITE_FLOAT) {
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string text(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
    double serial = 0;
    if (dateTextToDaySerial(text, serial)) {
        sqlite3_result_double(ctx, serial);
    } else {
        sqlite3_result_null(ctx);
    }
}

void cdblFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        sqlite3_result_double(ctx, leadingNumber(p ? p : ""));
    }
    }
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

void addProgramFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "CDATE", 1, flags, nullptr, cdateFunction, nullptr, nullptr);
    sqlite3_create_function(db, "cdbl", 1, flags, nullptr, cdblFunction, nullptr, nullptr);
}

bool dateTextToDaySerial(const std::string& raw, double& serial) {
    const std::string text = trim(raw);
    std::size_t i = 0;
    int d = 0;
    int m = 0;
    int y = 0;
    if (!readNumber(text, i, 1, 2, d) || i >= text.size() || text[i++] != '/') {
        return false;
    }
    if (!readNumber(text, i, 1, 2, m) || i >= text.size() || text[i++] != '/') {
        return false;
    }
    if (!readNumber(text, i, 4, 4, y)) {
        return false;
    }
    if (m < 1 || m > 12 || y < 100 || d < 1 || d > daysInMonth(y, m)) {
        return false;
    }
    double fraction = 0;
    if (i < text.size()) {
        if (text[i] != ' ') {
            return false;
        }
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        int h = 0;
        int mi = 0;
        int s = 0;
        if (!readNumber(text, i, 1, 2, h) || i >= text.size() || text[i++] != ':' ||
            !readNumber(text, i, 2, 2, mi)) {
            return false;
        }
        if (i < text.size()) {
            if (text[i++] != ':' || !readNumber(text, i, 2, 2, s)) {
                return false;
            }
        }
        if (i != text.size() || h > 23 || mi > 59 || s > 59) {
            return false;
        }
        fraction = (h * 3600 + mi * 60 + s) / 86400.0;
    }
    const long long days =
        daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) - daysFromCivil(1899, 12, 30);
    serial = static_cast<double>(days) + fraction;
    return true;
}

Database::Database(std::string path) : m_path(std::move(path)) {}

Database::~Database() {
    sqlite3_close_v2(m_db);
}

namespace {

void configure(sqlite3* db, bool mainDb, bool creating) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    addProgramFunctions(db);
    char* err = nullptr;
    // Touching the schema makes a file that is not a database fail here rather than later.
    long long objects = 0;
    int rc = sqlite3_exec(
        db, "SELECT count(*) FROM sqlite_master",
        [](void* out, int, char** values, char**) {
            *static_cast<long long*>(out) = values[0] ? std::atoll(values[0]) : 0;
            return 0;
        },
        &objects, &err);
    // An empty file opened by mistake is left untouched: it gets no journal mode written into it.
    if (rc == SQLITE_OK && mainDb && (objects > 0 || creating)) {
        sqlite3_free(err);
        err = nullptr;
        rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, &err);
    }
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errstr(rc);
        sqlite3_free(err);
        throw DatabaseError(msg);
    }
}

} // namespace

std::string Database::unusableFileMessage(const std::string& path, const std::string& engineText) {
    return "Archivio '" + path + "' danneggiato o illeggibile (" + engineText + ").";
}

std::shared_ptr<Database> Database::open(const std::string& path, bool mainDb) {
    if (!fileExists(path)) {
        throw DatabaseError("Impossibile trovare il file '" + path + "'.");
    }
    std::shared_ptr<Database> db(new Database(path));
    const int rc =
        sqlite3_open_v2(path.c_str(), &db->m_db, SQLITE_OPEN_READWRITE | kOneThreadAtATime, nullptr);
    if (rc != SQLITE_OK) {
        const std::string msg = db->m_db ? sqlite3_errmsg(db->m_db) : sqlite3_errstr(rc);
        throw DatabaseError(unusableFileMessage(path, msg));
    }
    try {
        configure(db->m_db, mainDb, false);
    } catch (const DatabaseError& e) {
        throw DatabaseError(unusableFileMessage(path, e.what()));
    }
    return db;
}

std::shared_ptr<Database> Database::create(const std::string& path, const std::string& schemaSql,
                                           bool mainDb) {
    if (fileExists(path)) {
        throw DatabaseError("Il file '" + path + "' esiste già.");
    }
    std::shared_ptr<Database> db(new Database(path));
    const int rc = sqlite3_open_v2(path.c_str(), &db->m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kOneThreadAtATime, nullptr);
    try {
        if (rc != SQLITE_OK) {
            throw DatabaseError(db->m_db ? sqlite3_errmsg(db->m_db) : sqlite3_errstr(rc));
        }
        configure(db->m_db, mainDb, true);
        db->executeScript("BEGIN;\n" + schemaSql + "\nCOMMIT;");
    } catch (const DatabaseError& e) {
        sqlite3_close_v2(db->m_db);
        db->m_db = nullptr;
        ::unlink(path.c_str());
        ::unlink((path + "-wal").c_str());
        ::unlink((path + "-shm").c_str());
        throw DatabaseError("Impossibile creare il file '" + path + "': " + e.what());
    }
    return db;
}

bool Database::replaceWithCopy(const std::string& from, const std::string& path) {
    try {
        std::ifstream in(from, std::ios::binary);
        if (!in || !fileExists(from)) {
            return false;
        }
        std::ostringstream ss;
        ss << in.rdbuf();
        if (in.bad()) {
            return false;
        }
        const std::string bytes = ss.str();
        std::string tmpl = path + ".XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            return false;
        }
        bool ok = ::fchmod(fd, 0640) == 0; // as every file the program creates: not for other users
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            ok = n > 0;
            done += ok ? static_cast<std::size_t>(n) : 0;
        }
        ok = ok && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        for (const char* suffix : {"-wal", "-shm", "-journal"}) {
            if (ok) {
                ::unlink((path + suffix).c_str());
            }
        }
        ok = ok && ::rename(name.data(), path.c_str()) == 0;
        if (!ok) {
            ::unlink(name.data());
        }
        return ok;
    } catch (...) {
        // Out of memory while copying: the caller keeps the old file, as with any failed copy.
        return false;
    }
}

void Database::setBusyTimeout(int ms) {
    sqlite3_busy_timeout(m_db, ms);
}

int Database::execute(const std::string& sql, const std::vector<Value>& params) {
    SqlStatement st(m_db, sql);
    st.bind(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db);
}

void Database::executeScript(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(m_db);
        sqlite3_free(err);
        if (sqlite3_get_autocommit(m_db) == 0) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw DatabaseError(msg);
    }
}

std::vector<std::vector<Value>> Database::query(const std::string& sql, const std::vector<Value>& params) {
    SqlStatement st(m_db, sql);
    st.bind(params);
    std::vector<std::vector<Value>> rows;
    while (st.step()) {
        rows.push_back(st.row());
    }
    return rows;
}

bool Database::hasRelation(const std::string& name) {
    const auto rows = query("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND name = ? "
                            "COLLATE NOCASE",
                            {Value(name)});
    return !rows.empty();
}

std::vector<std::string> Database::columns(const std::string& relation) {
    std::vector<std::string> names;
    for (const auto& row : query("SELECT name FROM pragma_table_info(?)", {Value(relation)})) {
        names.push_back(row.at(0).toString());
    }
    return names;
}

void Database::requireRelations(const std::vector<std::string>& names) {
    for (const std::string& n : names) {
        if (!hasRelation(n)) {
            throw DatabaseError("Il database '" + m_path + "' non contiene la tabella '" + n + "'.");
        }
    }
}

Database::FollowedTable* Database::followed(const char* database, const char* table) {
    if (database == nullptr || table == nullptr || sqlite3_stricmp(database, "main") != 0) {
        return nullptr;
    }
    for (FollowedTable& t : m_followed) {
        if (sqlite3_stricmp(t.name.c_str(), table) == 0) {
            return &t;
        }
    }
    return nullptr;
}

void Database::rowChanged(void* self, int, const char* database, const char* table, long long) {
    if (FollowedTable* t = static_cast<Database*>(self)->followed(database, table)) {
        ++t->changes;
    }
}

int Database::authorize(void* self, int action, const char* first, const char*, const char* database,
                        const char*) {
    // A DELETE without WHERE empties a table without visiting its rows, unseen by the row hook. Ignoring
    // the action for a followed table keeps the DELETE but has it delete row by row.
    if (action == SQLITE_DELETE && static_cast<Database*>(self)->followed(database, first)) {
        return SQLITE_IGNORE;
    }
    return SQLITE_OK;
}

Database::ChangeMark Database::changeMark(const std::string& table) {
    if (m_followed.empty()) {
        // Hooked only once some table is followed, so connections that never ask pay nothing per row.
        sqlite3_update_hook(m_db, &Database::rowChanged, this);
        sqlite3_set_authorizer(m_db, &Database::authorize, this);
    }
    FollowedTable* t = followed("main", table.c_str());
    if (!t) {
        m_followed.push_back({table, 0});
        t = &m_followed.back();
    }
    ChangeMark mark;
    mark.otherConnections = query("PRAGMA main.data_version").at(0).at(0).toInt();
    mark.thisConnection = t->changes;
    return mark;
}

std::int64_t Database::lastInsertRowid() const {
    return sqlite3_last_insert_rowid(m_db);
}

} // namespace sentinex
