#pragma once

#include "Value.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class SqlStatement;

/// One statement prepared on first use and kept for as long as its holder lives: the online path runs
/// the same few statements for every card, and preparing them each time costs more than running them.
/// Every call binds, runs and resets, so no read stays open between calls. Engine errors are raised as
/// DatabaseError.
class CachedStatement {
public:
    CachedStatement(Database& db, std::string sql);
    ~CachedStatement();
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;

    /// The first row of the result, its columns in order; nothing when there is none.
    std::optional<std::vector<Value>> firstRow(const std::vector<Value>& params);
    /// Hands the first row of the result to `read`, which takes the columns it needs straight from the
    /// statement; false when there is no row.
    bool readFirst(const std::vector<Value>& params, const std::function<void(const SqlStatement&)>& read);
    /// Runs a statement that returns no rows; returns the number of rows it changed.
    int run(const std::vector<Value>& params);

private:
    SqlStatement& prepared();

    Database& m_db;
    std::string m_sql;
    std::unique_ptr<SqlStatement> m_statement;
};

} // namespace sentinex
