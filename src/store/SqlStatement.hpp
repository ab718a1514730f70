#pragma once

#include "Value.hpp"

#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sentinex {

/// A prepared statement owned for one use: prepare, bind, step, read columns. Engine errors are raised
/// as DatabaseError with the engine's message.
class SqlStatement {
public:
    /// Prepares `sql`: one statement, optionally followed by semicolons, blanks or comments; a text that
    /// holds more raises DatabaseError rather than running only its first statement.
    SqlStatement(sqlite3* db, const std::string& sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    /// Binds `params` to the `?` placeholders in order (1-based), after clearing earlier bindings.
    void bind(const std::vector<Value>& params, int first = 1);
    void bindOne(int index, const Value& v);
    /// Next row: true when a row is ready, false when done.
    bool step();
    void reset();
    int columnCount() const;
    std::string columnName(int i) const;
    Value column(int i) const;
    /// Column `i` as text, without making a Value first (the empty text for Null).
    std::string columnText(int i) const;
    std::vector<Value> row() const;

    /// Resets a statement however the scope that uses it ends, so no read (or write) stays open between
    /// two uses: another connection would wait on it.
    class ResetOnExit {
    public:
        explicit ResetOnExit(SqlStatement& st) : m_st(st) {}
        ~ResetOnExit() { m_st.reset(); }
        ResetOnExit(const ResetOnExit&) = delete;
        ResetOnExit& operator=(const ResetOnExit&) = delete;

    private:
        SqlStatement& m_st;
    };

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace sentinex
