#pragma once

#include "RecordSource.hpp"

#include <optional>

namespace sentinex {

/// The records of a SELECT statement or of a view, held in memory in the order the engine returned them.
///
/// A SELECT runs when it is bound. A SELECT over one table (no DISTINCT, GROUP BY, JOIN, aggregate or
/// LIMIT) carries each row's key, so its records can be edited and deleted and new ones go to that table;
/// any other SELECT is read only. A view is read when a field is first read or the cursor first moves
/// (binding one only to append through it, as the download does with "Storico", reads nothing); it
/// accepts new records when it has an INSTEAD OF INSERT trigger.
///
/// findFirst hands the criteria to the engine over the source itself (the source as a subquery, the
/// criteria as its WHERE), so every field keeps its column's type and a condition means what it means
/// on a table. The engine sees the rows as stored now; the cursor lands on the first held record among
/// those that satisfy the criteria, and a keyed record it lands on takes the values just read.
class MaterializedRecordSource final : public RecordSource {
public:
    /// A view, named as stored.
    struct View {
        std::string name;
    };

    /// Runs `select` with `params` bound to its placeholders and places the cursor on the first record.
    MaterializedRecordSource(std::shared_ptr<Database> db, const std::string& select,
                             std::vector<Value> params);
    /// Binds a view without reading its rows; the cursor counts as on the first record if there is one.
    MaterializedRecordSource(std::shared_ptr<Database> db, const View& view);
    ~MaterializedRecordSource() override;

    void moveFirst() override;
    void moveLast() override;
    void moveNext() override;
    void movePrevious() override;
    std::int64_t recordCount() override;
    bool findFirst(const std::string& criteria, const std::vector<Value>& params) override;
    Value value(std::size_t index) const override;
    bool canEdit() const override { return m_keyed; }
    bool update(const FieldChanges& fields) override;
    bool remove() override;

private:
    /// Reads the rows of a view not read yet.
    void load() const;
    void setIndex(std::int64_t index);
    /// Drops the current record from the held rows; moveNext then goes to the one after it.
    void forgetCurrent();
    std::int64_t currentKey() const { return m_keys[static_cast<std::size_t>(m_index)]; }

    std::string m_sql;                   // the statement that gives the rows; keyed rows start with the rowid
    std::vector<Value> m_params;         // values of its placeholders
    std::optional<int> m_parameterCount; // its placeholders, which a criteria's own follow; counted
                                         // at the first findFirst
    std::string m_alias;                 // name a criteria may qualify fields with: the table or the view
    bool m_keyed = false;                // rows carry the rowid of table writeTarget()
    mutable bool m_unread = false;       // a view whose rows are not read yet
    mutable std::vector<std::vector<Value>> m_rows;
    std::vector<std::int64_t> m_keys; // rowid of each held row when keyed
    std::int64_t m_index = 0;
    bool m_onDeleted = false; // the cursor stands where a deleted record was
};

} // namespace sentinex
