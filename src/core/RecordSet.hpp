#pragma once

#include "Database.hpp"
#include "Value.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

/// A record-set handle: a database and a record source (a table, a view, or a full SELECT), a cursor,
/// and the change operations. Field names are matched without regard to case.
///
/// Table sources are walked in stored order and read lazily, one record per move, so binding a large
/// table costs nothing. SELECT sources are run at refresh and held in memory.
/// Every engine error is raised as DatabaseError.
class RecordSet {
public:
    RecordSet() = default;
    RecordSet(std::shared_ptr<Database> db, std::string source);

    /// Sets database and record source, then refreshes.
    void bind(std::shared_ptr<Database> db, std::string source);
    /// Runs the source again and places the cursor on the first record (end-of-set when empty).
    void refresh();

    bool isBound() const { return static_cast<bool>(m_db); }
    const std::shared_ptr<Database>& database() const { return m_db; }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    /// True after moving past the last record or when the set is empty.
    bool eof() const;
    /// True after moving before the first record or when the set is empty.
    bool bof() const;
    /// Number of records in the set.
    std::int64_t recordCount();

    /// Positions on the first record that satisfies `criteria`, an SQL condition whose values are `?`
    /// placeholders bound to `params` (text from readers or operators never becomes SQL).
    /// Returns false (no match) when none does; the cursor is then not on a valid record.
    bool findFirst(const std::string& criteria, const std::vector<Value>& params = {});
    bool noMatch() const { return m_noMatch; }

    /// Value of a field of the current record (Null when the field is unknown or no record is current).
    Value field(const std::string& name) const;
    std::string text(const std::string& name) const { return field(name).toString(); }
    bool flag(const std::string& name) const { return field(name).toBool(); }
    bool hasField(const std::string& name) const;

    /// Starts a new record; fields are written with setField, then update() inserts it.
    void addNew();
    /// Starts editing the current record; update() commits it.
    void edit();
    /// Writes a field of the record being added or edited.
    void setField(const std::string& name, Value v);
    /// Commits the added or edited record. After addNew the cursor stays where it was.
    void update();
    /// Abandons an addNew or edit.
    void cancelUpdate();
    /// Deletes the current record; the cursor then stands on no valid record until the next move.
    void deleteCurrent();

    /// Runs a statement (typically DELETE) with bound parameters on the bound database.
    int execute(const std::string& sql, const std::vector<Value>& params = {});

private:
    enum class Mode { None, Adding, Editing };
    bool isTableSource() const { return m_isTable; }
    void loadRowAt(const char* sqlTail, const std::vector<Value>& params);
    void setCurrentFromRow(std::vector<Value> row, const std::vector<std::string>& cols);
    std::string keyColumn() const;

    std::shared_ptr<Database> m_db;
    std::string m_source;
    bool m_isTable = false;
    bool m_hasRowid = false;
    // Table sources: current record and its rowid.
    std::optional<std::int64_t> m_rowid;
    std::vector<Value> m_current;
    // SELECT sources: materialized rows and a cursor index.
    std::vector<std::vector<Value>> m_rows;
    std::int64_t m_index = 0;
    bool m_bof = true;
    bool m_eof = true;
    bool m_noMatch = false;
    std::vector<std::string> m_columns;           // as the engine names them
    std::map<std::string, std::size_t> m_colIndex; // lowercase name -> index
    Mode m_mode = Mode::None;
    std::vector<std::pair<std::string, Value>> m_pending;
};

} // namespace sentinex
