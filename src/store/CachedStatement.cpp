#include "CachedStatement.hpp"

#include "Database.hpp"
#include "SqlStatement.hpp"

#include <sqlite3.h>

namespace sentinex {

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
    SqlStatement::ResetOnExit reset(st);
    st.bind(params);
    if (!st.step()) {
        return std::nullopt;
    }
    return st.row();
}

bool CachedStatement::readFirst(const std::vector<Value>& params,
                                const std::function<void(const SqlStatement&)>& read) {
    SqlStatement& st = prepared();
    SqlStatement::ResetOnExit reset(st);
    st.bind(params);
    if (!st.step()) {
        return false;
    }
    read(st);
    return true;
}

int CachedStatement::run(const std::vector<Value>& params) {
    SqlStatement& st = prepared();
    SqlStatement::ResetOnExit reset(st);
    st.bind(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db.handle());
}

} // namespace sentinex
