#pragma once

#include "Value.hpp"

#include <cstdint>
#include <string>
#include <string_view>
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
    /// Typed binds for statements run many times: no Value is made. Each replaces the placeholder's
    /// previous value; throws DatabaseError for an index the statement does not have.
    void bindNull(int index);
    void bindInt(int index, std::int64_t v);
    void bindDouble(int index, double v);
    /// Binds `text` without copying it: the engine reads it where it is, so it must stay unchanged until
    /// the statement has been stepped and reset.
    void bindBorrowedText(int index, std::string_view text);
    /// Next row: true when a row is ready, false when done.
    bool step();
    void reset();
    int columnCount() const;
    std::string columnName(int i) const;
    Value column(int i) const;
    /// Column `i` as text, without making a Value first (the empty text for Null).
    std::string columnText(int i) const;
    /// Column `i` read in place, valid until the next step or reset (the empty text for Null).
    std::string_view columnView(int i) const;
    bool columnIsNull(int i) const;
    double columnDouble(int i) const;
    /// Column `i` as a whole number, without making a Value (0 for Null), for reads of many rows.
    std::int64_t columnInt(int i) const;
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
    void check(int rc) const;
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace sentinex
