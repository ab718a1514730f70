#pragma once

#include "RecordSource.hpp"

#include <array>
#include <memory>

namespace sentinex {

class SqlStatement;

/// The records of one table in stored (rowid) order, read lazily: every move and every findFirst runs
/// one indexed query for the one record it needs, so binding a table of a million transits costs
/// nothing, and every lookup sees what other handles and connections have saved. The few statements are
/// prepared once and kept; none keeps a read open between calls.
class TableRecordSource final : public RecordSource {
public:
    /// Binds `table` (its name as stored) and places the cursor on its first record.
    TableRecordSource(std::shared_ptr<Database> db, const std::string& table);
    ~TableRecordSource() override;

    void moveFirst() override;
    void moveLast() override;
    void moveNext() override;
    void movePrevious() override;
    std::int64_t recordCount() override;
    bool findFirst(const std::string& criteria, const std::vector<Value>& params) override;
    Value value(std::size_t index) const override;
    bool canEdit() const override { return true; }
    bool update(const FieldChanges& fields) override;
    bool remove() override;

private:
    enum Slot { First, Last, Next, Previous, ByKey, Count, Find, SlotCount };
    /// The statement of `slot`, prepared from "SELECT rowid, <fields> FROM <table>" and `tail` when
    /// first needed.
    SqlStatement& statement(Slot slot, const std::string& tail);
    /// Runs the statement of `slot` and, when it returns a record, makes it the current one.
    bool fetch(Slot slot, const std::string& tail, const std::vector<Value>& params);
    /// Moves to the record `slot` returns, or to end-of-set and begin-of-set when there is none.
    void moveToFirstOrLast(Slot slot, const std::string& tail);
    void clearCurrent();

    std::string m_selectHead;     // SELECT rowid, "f1", ... FROM "table"
    std::int64_t m_key = 0;       // rowid at the cursor (also after the record was deleted)
    std::vector<Value> m_current; // fields of the current record
    std::array<std::unique_ptr<SqlStatement>, SlotCount> m_statements;
    std::string m_findCriteria; // criteria the Find statement was prepared for
};

} // namespace sentinex
