#include "CachedStatement.hpp"

#include "Database.hpp"
#include "SqlStatement.hpp"

#include <sqlite3.h>

namespace sentinex {

namespace {

/// Resets the statement however the call ends, so its read (or write) never outlives the call.
class ResetOnExit {
public:
    explicit ResetOnExit(SqlStatement& st) : m_st(st) {}
    ~ResetOnExit() { m_st.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    SqlStatement& m_st;
};

} // namespace

CachedStatement::CachedStatement(Database& db, std::string sql) : m_db(db), m_sql(std::move(sql)) {}

CachedStatement::~CachedStatement() = default;

SqlStatement& CachedStatement::prepared() {
    if (!m_statement) {
        m_statement = std::make_unique<SqlStatement>(m_db.handle(), m_sql);
    }
    return *m_statement;
}

std::optional<std::vector<Value>> CachedStatement::firstRow(const std::vector<Value>& params) {
    SqlStatement& st = prepared();
    ResetOnExit reset(st);
    st.bind(params);
    if (!st.step()) {
        return std::nullopt;
    }
    return st.row();
}

bool CachedStatement::readFirst(const std::vector<Value>& params,
                                const std::function<void(const SqlStatement&)>& read) {
    SqlStatement& st = prepared();
    ResetOnExit reset(st);
    st.bind(params);
    if (!st.step()) {
        return false;
    }
    read(st);
    return true;
}

int CachedStatement::run(const std::vector<Value>& params) {
    SqlStatement& st = prepared();
    ResetOnExit reset(st);
    st.bind(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db.handle());
}

} // namespace sentinex
