#pragma once

#include "Database.hpp"
#include "Value.hpp"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sentinex {

/// Where the records of a record set come from, and the cursor over them: moves, the search by criteria,
/// the current record's fields, and the writes that go back to the database. A RecordSet handle owns one
/// and keeps the fields of a pending addNew or edit itself. What every kind shares lives here: the field
/// names (looked up without regard to case), the cursor flags, and the statements that write one row.
///
/// A criteria is always evaluated by the engine against the stored rows, never by our own code, so a
/// condition such as `Passaggio = '1'` means the same on every kind: the engine compares with the
/// column's type, as it does in any WHERE clause.
class RecordSource {
public:
    /// Fields written after addNew or edit: index into fieldNames() and value, in the order first set.
    using FieldChanges = std::vector<std::pair<std::size_t, Value>>;

    virtual ~RecordSource();
    RecordSource(const RecordSource&) = delete;
    RecordSource& operator=(const RecordSource&) = delete;

    /// Field names of the source, as the engine names them.
    const std::vector<std::string>& fieldNames() const { return m_fieldNames; }
    /// Index of a field in fieldNames(), its name matched without regard to case.
    std::optional<std::size_t> fieldIndex(const std::string& name) const;

    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    bool hasCurrent() const { return m_hasCurrent; }
    bool noMatch() const { return m_noMatch; }

    virtual void moveFirst() = 0;
    virtual void moveLast() = 0;
    /// At end-of-set stays there; from before the first record, or from a deleted one, moves to the
    /// record after it.
    virtual void moveNext() = 0;
    virtual void movePrevious() = 0;
    virtual std::int64_t recordCount() = 0;
    /// Positions on the first record that satisfies `criteria` (values bound from `params`) and sets the
    /// no-match flag. Without a match no record is current.
    virtual bool findFirst(const std::string& criteria, const std::vector<Value>& params) = 0;
    /// Field `index` of the current record; Null when no record is current.
    virtual Value value(std::size_t index) const = 0;

    /// True when new records can be written through the source (a table, a view, a SELECT over one table).
    bool canAdd() const { return !m_writeTarget.empty(); }
    /// True when records carry their table's key, so the current one can be edited and deleted.
    virtual bool canEdit() const = 0;
    /// Inserts a record holding `fields` (the others take their defaults); the cursor does not move.
    /// Returns the key of the inserted row.
    std::int64_t insert(const FieldChanges& fields);
    /// Stores `fields` into the current record. Returns false, with the record dropped from the set and
    /// no record current, when the record was deleted meanwhile. An engine error changes nothing.
    virtual bool update(const FieldChanges& fields) = 0;
    /// Deletes the current record; no record is current afterwards. Returns false when it was already
    /// gone from the database.
    virtual bool remove() = 0;

protected:
    explicit RecordSource(std::shared_ptr<Database> db);

    Database& database() const { return *m_db; }
    void setFieldNames(std::vector<std::string> names);
    /// The table or view that changes go to; empty for a read-only source.
    const std::string& writeTarget() const { return m_writeTarget; }
    void setWriteTarget(std::string name) { m_writeTarget = std::move(name); }
    /// UPDATE of the write target's row `key`; false when no such row exists any more.
    bool updateRow(std::int64_t key, const FieldChanges& fields);
    /// DELETE of the write target's row `key`; false when no such row exists any more.
    bool deleteRow(std::int64_t key);

    /// `name` as an SQL identifier in double quotes.
    static std::string quoteName(const std::string& name);

    // The cursor. Mutable because a view reads its rows at the first read of a field, which may find the
    // view emptied since it was bound and must then move the cursor off.
    mutable bool m_bof = true;
    mutable bool m_eof = true;
    mutable bool m_hasCurrent = false;
    bool m_noMatch = false;

private:
    std::shared_ptr<Database> m_db;
    std::string m_writeTarget;
    std::vector<std::string> m_fieldNames;
    std::map<std::string, std::size_t> m_fieldIndex; // lowercase name -> index
};

} // namespace sentinex
