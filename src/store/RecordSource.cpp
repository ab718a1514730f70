#include "RecordSource.hpp"

namespace sentinex {

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

} // namespace

RecordSource::RecordSource(std::shared_ptr<Database> db) : m_db(std::move(db)) {}

RecordSource::~RecordSource() = default;

void RecordSource::setFieldNames(std::vector<std::string> names) {
    m_fieldNames = std::move(names);
    m_fieldIndex.clear();
    for (std::size_t i = 0; i < m_fieldNames.size(); ++i) {
        // A name repeated by a join keeps its first column, as the engine resolves it in a criteria.
        m_fieldIndex.emplace(lowerAscii(m_fieldNames[i]), i);
    }
}

std::optional<std::size_t> RecordSource::fieldIndex(const std::string& name) const {
    const auto it = m_fieldIndex.find(lowerAscii(name));
    if (it == m_fieldIndex.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::string RecordSource::quoteName(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    return q + "\"";
}

std::int64_t RecordSource::insert(const FieldChanges& fields) {
    std::string names;
    std::string marks;
    std::vector<Value> values;
    for (const auto& [i, v] : fields) {
        names += (names.empty() ? "" : ", ") + quoteName(m_fieldNames[i]);
        marks += marks.empty() ? "?" : ", ?";
        values.push_back(v);
    }
    const std::string target = quoteName(m_writeTarget);
    m_db->execute(fields.empty() ? "INSERT INTO " + target + " DEFAULT VALUES"
                                 : "INSERT INTO " + target + " (" + names + ") VALUES (" + marks + ")",
                  values);
    return m_db->lastInsertRowid();
}

bool RecordSource::updateRow(std::int64_t key, const FieldChanges& fields) {
    std::string sets;
    std::vector<Value> values;
    for (const auto& [i, v] : fields) {
        sets += (sets.empty() ? "" : ", ") + quoteName(m_fieldNames[i]) + " = ?";
        values.push_back(v);
    }
    values.emplace_back(static_cast<long long>(key));
    // One statement: the engine applies all the fields or, on an error, none of them.
    return m_db->execute("UPDATE " + quoteName(m_writeTarget) + " SET " + sets + " WHERE rowid = ?", values) >
           0;
}

bool RecordSource::deleteRow(std::int64_t key) {
    return m_db->execute("DELETE FROM " + quoteName(m_writeTarget) + " WHERE rowid = ?",
                         {Value(static_cast<long long>(key))}) > 0;
}

} // namespace sentinex
