#pragma once

#include "Database.hpp"
#include "RecordSource.hpp"
#include "Value.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {

/// A record-set handle: a database and a record source (a table, a view, or a full SELECT), a cursor,
/// and the change operations. Field names are matched without regard to case.
///
/// bind picks the kind of source: a table is walked in stored order (insertion order) and read lazily,
/// one indexed query per move, so binding a large table costs nothing and every lookup sees the live
/// table (TableRecordSource); a SELECT is run at refresh and held in memory, a view from the first time
/// a record is read, so binding one only to append through it reads nothing (MaterializedRecordSource).
/// A SELECT over one table (no DISTINCT, GROUP BY, JOIN or aggregate) can still be edited and deleted
/// from; a view accepts new records when it has an INSTEAD OF INSERT trigger. Every engine error is
/// raised as DatabaseError; nothing is half-applied by a failed update.
class RecordSet {
public:
    RecordSet();
    RecordSet(std::shared_ptr<Database> db, std::string source, std::vector<Value> params = {});
    ~RecordSet();
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;

    /// Sets database and record source, then refreshes. A SELECT source may hold `?` placeholders:
    /// `params` are bound to them at every refresh (dates and badges typed by the operator stay data).
    void bind(std::shared_ptr<Database> db, std::string source, std::vector<Value> params = {});
    /// Runs the source again and places the cursor on the first record (end-of-set when empty).
    void refresh();

    bool isBound() const { return static_cast<bool>(m_db); }
    const std::shared_ptr<Database>& database() const { return m_db; }
    const std::string& source() const { return m_source; }

    /// Every move and findFirst abandons a pending addNew or edit (its fields are dropped, not stored).
    void moveFirst();
    void moveLast();
    /// At end-of-set stays there; from before the first record moves to the first.
    void moveNext();
    /// At begin-of-set stays there; from end-of-set moves to the last record.
    void movePrevious();
    /// True after moving past the last record or when the set is empty.
    bool eof() const { return m_records ? m_records->eof() : true; }
    /// True after moving before the first record or when the set is empty.
    bool bof() const { return m_records ? m_records->bof() : true; }
    /// Number of records in the set (valid at any time, not only after moveLast).
    std::int64_t recordCount();
    /// True when the cursor stands on a record whose fields can be read.
    bool hasCurrent() const { return m_records && m_records->hasCurrent(); }

    /// Positions on the first record that satisfies `criteria`, an SQL condition whose values are `?`
    /// placeholders bound to `params` (text from readers or operators never becomes SQL).
    /// Returns false (no match) when none does; the cursor is then not on a valid record.
    /// The engine evaluates the criteria against the stored rows on every kind of source, comparing each
    /// field as its column's type says: `Passaggio = '1'` finds the same record on the table and on a
    /// SELECT of it.
    bool findFirst(const std::string& criteria, const std::vector<Value>& params = {});
    bool noMatch() const { return m_records && m_records->noMatch(); }

    /// Value of a field of the current record (Null when the field is unknown or no record is current).
    Value field(const std::string& name) const;
    std::string text(const std::string& name) const { return field(name).toString(); }
    bool flag(const std::string& name) const { return field(name).toBool(); }
    bool hasField(const std::string& name) const;
    /// Field names of the source, as the engine names them.
    const std::vector<std::string>& fieldNames() const;

    /// Starts a new record; fields are written with setField, then update() inserts it.
    void addNew();
    /// Starts editing the current record; update() commits it. Throws when no record is current.
    void edit();
    /// Writes a field of the record being added or edited. Throws for an unknown field or when neither
    /// addNew nor edit is pending.
    void setField(const std::string& name, Value v);
    /// Commits the added or edited record. After addNew the cursor stays where it was. An edited record
    /// that was deleted meanwhile (through another handle) raises DatabaseError; the edit is dropped
    /// and the cursor then stands on no valid record, as after deleteCurrent.
    void update();
    /// Abandons an addNew or edit.
    void cancelUpdate();
    /// Deletes the current record; the cursor then stands on no valid record until the next move
    /// (moveNext goes to the record after the deleted one). Raises DatabaseError, with the cursor moved
    /// off the record all the same, when the record had already been deleted meanwhile.
    void deleteCurrent();
    /// Key (rowid) of the record inserted by the last update() after addNew on a table source.
    std::int64_t lastAddedKey() const { return m_lastAddedKey; }

    /// Runs a statement (typically DELETE) with bound parameters on the bound database.
    int execute(const std::string& sql, const std::vector<Value>& params = {});

private:
    enum class Mode { None, Adding, Editing };
    void requireBound() const;
    /// The bound source; throws when the handle is unbound.
    RecordSource& boundRecords();
    void dropPendingChange();

    std::shared_ptr<Database> m_db;
    std::string m_source;
    std::vector<Value> m_params;
    std::unique_ptr<RecordSource> m_records; // none until bound, or after a refresh that failed
    Mode m_mode = Mode::None;
    RecordSource::FieldChanges m_pending;
    std::int64_t m_lastAddedKey = 0;
};

} // namespace sentinex
