#include "SqlStatement.hpp"

#include "Database.hpp"

#include <sqlite3.h>

namespace sentinex {

SqlStatement::SqlStatement(sqlite3* db, const std::string& sql) : m_db(db) {
    const char* const end = sql.c_str() + sql.size();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, &tail) != SQLITE_OK) {
        const std::string msg = sqlite3_errmsg(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DatabaseError(msg);
    }
    if (m_stmt == nullptr) {
        throw DatabaseError("empty statement");
    }
    // The engine compiles the first statement only: anything but blanks, semicolons and comments after it
    // would be dropped in silence, so the text is refused as a whole.
    while (tail != nullptr && tail < end) {
        sqlite3_stmt* more = nullptr;
        const char* next = nullptr;
        const int rc = sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &more, &next);
        sqlite3_finalize(more);
        if (rc != SQLITE_OK || more != nullptr) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            throw DatabaseError("Caratteri trovati dopo la fine dell'istruzione SQL.");
        }
        if (next == tail) {
            break;
        }
        tail = next;
    }
}

SqlStatement::~SqlStatement() {
    sqlite3_finalize(m_stmt);
}

void SqlStatement::bindOne(int index, const Value& v) {
    int rc = SQLITE_OK;
    if (v.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else if (v.isInteger()) {
        rc = sqlite3_bind_int64(m_stmt, index, v.toInt());
    } else if (v.isReal()) {
        rc = sqlite3_bind_double(m_stmt, index, v.toDouble());
    } else {
        const std::string& t = std::get<std::string>(v.raw());
        rc = sqlite3_bind_text(m_stmt, index, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) {
        throw DatabaseError(sqlite3_errmsg(m_db));
    }
}

void SqlStatement::check(int rc) const {
    if (rc != SQLITE_OK) {
        throw DatabaseError(sqlite3_errmsg(m_db));
    }
}

void SqlStatement::bindNull(int index) {
    check(sqlite3_bind_null(m_stmt, index));
}

void SqlStatement::bindInt(int index, std::int64_t v) {
    check(sqlite3_bind_int64(m_stmt, index, v));
}

void SqlStatement::bindDouble(int index, double v) {
    check(sqlite3_bind_double(m_stmt, index, v));
}

void SqlStatement::bindBorrowedText(int index, std::string_view text) {
    // An empty view may have no data at all, which the engine would bind as Null.
    const char* data = text.data() != nullptr ? text.data() : "";
    check(sqlite3_bind_text(m_stmt, index, data, static_cast<int>(text.size()), SQLITE_STATIC));
}

void SqlStatement::bind(const std::vector<Value>& params, int first) {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (static_cast<int>(params.size()) + first - 1 > sqlite3_bind_parameter_count(m_stmt)) {
        throw DatabaseError("more values than placeholders in the statement");
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
        bindOne(static_cast<int>(i) + first, params[i]);
    }
}

bool SqlStatement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    const std::string msg = sqlite3_errmsg(m_db);
    sqlite3_reset(m_stmt);
    throw DatabaseError(msg);
}

void SqlStatement::reset() {
    sqlite3_reset(m_stmt);
}

int SqlStatement::columnCount() const {
    return sqlite3_column_count(m_stmt);
}

std::string SqlStatement::columnName(int i) const {
    const char* n = sqlite3_column_name(m_stmt, i);
    return n ? n : "";
}

Value SqlStatement::column(int i) const {
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_INTEGER:
        return Value(static_cast<long long>(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(m_stmt, i));
    case SQLITE_NULL:
        return Value();
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
        const int n = sqlite3_column_bytes(m_stmt, i);
        return Value(std::string(p ? p : "", static_cast<std::size_t>(n)));
    }
    }
}

std::string SqlStatement::columnText(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, i))) : std::string();
}

std::string_view SqlStatement::columnView(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, i)))
             : std::string_view();
}

bool SqlStatement::columnIsNull(int i) const {
    return sqlite3_column_type(m_stmt, i) == SQLITE_NULL;
}

double SqlStatement::columnDouble(int i) const {
    return sqlite3_column_double(m_stmt, i);
}

std::int64_t SqlStatement::columnInt(int i) const {
    return sqlite3_column_int64(m_stmt, i);
}

std::vector<Value> SqlStatement::row() const {
    std::vector<Value> r;
    const int n = columnCount();
    r.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        r.push_back(column(i));
    }
    return r;
}

} // namespace sentinex
