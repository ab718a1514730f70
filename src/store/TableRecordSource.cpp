#include "TableRecordSource.hpp"

#include "SqlStatement.hpp"

#include <limits>

namespace sentinex {

TableRecordSource::TableRecordSource(std::shared_ptr<Database> db, const std::string& table)
    : RecordSource(std::move(db)) {
    setWriteTarget(table);
    setFieldNames(database().columns(table));
    m_selectHead = "SELECT rowid";
    for (const std::string& name : fieldNames()) {
        m_selectHead += ", " + quoteName(name);
    }
    m_selectHead += " FROM " + quoteName(table);
    moveFirst();
}

TableRecordSource::~TableRecordSource() = default;

SqlStatement& TableRecordSource::statement(Slot slot, const std::string& tail) {
    auto& st = m_statements[slot];
    if (!st) {
        st = std::make_unique<SqlStatement>(database().handle(), m_selectHead + tail);
    }
    return *st;
}

void TableRecordSource::clearCurrent() {
    m_hasCurrent = false;
    m_current.clear();
}

bool TableRecordSource::fetch(Slot slot, const std::string& tail, const std::vector<Value>& params) {
    SqlStatement& st = statement(slot, tail);
    SqlStatement::ResetOnExit reset(st);
    st.bind(params);
    if (!st.step()) {
        return false;
    }
    m_key = st.column(0).toInt();
    m_current.clear();
    for (int i = 1; i < st.columnCount(); ++i) {
        m_current.push_back(st.column(i));
    }
    m_hasCurrent = true;
    return true;
}

void TableRecordSource::moveToFirstOrLast(Slot slot, const std::string& tail) {
    m_noMatch = false;
    clearCurrent();
    const bool found = fetch(slot, tail, {});
    m_bof = m_eof = !found;
}

void TableRecordSource::moveFirst() {
    moveToFirstOrLast(First, " ORDER BY rowid LIMIT 1");
}

void TableRecordSource::moveLast() {
    moveToFirstOrLast(Last, " ORDER BY rowid DESC LIMIT 1");
}

void TableRecordSource::moveNext() {
    m_noMatch = false;
    if (m_eof) {
        return;
    }
    const std::int64_t from = m_bof ? std::numeric_limits<std::int64_t>::min() : m_key;
    clearCurrent();
    if (fetch(Next, " WHERE rowid > ? ORDER BY rowid LIMIT 1", {Value(static_cast<long long>(from))})) {
        m_bof = m_eof = false;
    } else {
        m_eof = true;
        m_key = std::numeric_limits<std::int64_t>::max();
    }
}

void TableRecordSource::movePrevious() {
    m_noMatch = false;
    if (m_bof) {
        return;
    }
    const std::int64_t from = m_eof ? std::numeric_limits<std::int64_t>::max() : m_key;
    clearCurrent();
    if (fetch(Previous, " WHERE rowid < ? ORDER BY rowid DESC LIMIT 1",
              {Value(static_cast<long long>(from))})) {
        m_bof = m_eof = false;
    } else {
        m_bof = true;
        m_key = std::numeric_limits<std::int64_t>::min();
    }
}

std::int64_t TableRecordSource::recordCount() {
    auto& st = m_statements[Count];
    if (!st) {
        st = std::make_unique<SqlStatement>(database().handle(),
                                            "SELECT count(*) FROM " + quoteName(writeTarget()));
    }
    SqlStatement::ResetOnExit reset(*st);
    st->bind({});
    st->step();
    return st->column(0).toInt();
}

bool TableRecordSource::findFirst(const std::string& criteria, const std::vector<Value>& params) {
    // The same criteria with new values is the common case (a lookup per card): keep its statement.
    if (criteria != m_findCriteria) {
        m_statements[Find].reset();
        m_findCriteria.clear();
    }
    // A criteria the engine refuses leaves the cursor where it was.
    statement(Find, " WHERE (" + criteria + "\n) ORDER BY rowid LIMIT 1");
    m_findCriteria = criteria;
    clearCurrent();
    const bool found = fetch(Find, {}, params);
    if (found) {
        m_bof = m_eof = false;
    }
    m_noMatch = !found;
    return found;
}

Value TableRecordSource::value(std::size_t index) const {
    if (!m_hasCurrent || index >= m_current.size()) {
        return {};
    }
    return m_current[index];
}

bool TableRecordSource::update(const FieldChanges& fields) {
    if (!fields.empty() && !updateRow(m_key, fields)) {
        clearCurrent();
        return false;
    }
    // Read back what the engine stored (a column's type may have changed a value), which also tells
    // whether the record still exists when nothing was written.
    if (!fetch(ByKey, " WHERE rowid = ?", {Value(static_cast<long long>(m_key))})) {
        clearCurrent();
        return false;
    }
    return true;
}

bool TableRecordSource::remove() {
    const bool deleted = deleteRow(m_key);
    // The cursor keeps the key, so moveNext goes on with the record after the deleted one.
    clearCurrent();
    return deleted;
}

} // namespace sentinex
