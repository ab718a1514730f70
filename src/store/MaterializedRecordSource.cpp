#include "MaterializedRecordSource.hpp"

#include "SqlStatement.hpp"

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <sqlite3.h>
#include <unordered_map>

namespace sentinex {

namespace {

/// Name of the hidden first column that carries the base table's rowid.
constexpr const char* kKeyColumn = "sx__rowid";

/// The statement without the semicolons and blanks that may close it, so it can stand as a subquery.
std::string withoutClosingSemicolons(const std::string& sql) {
    const auto end = sql.find_last_not_of(" \t\r\n;");
    return end == std::string::npos ? std::string() : sql.substr(0, end + 1);
}

/// The single table of a simple SELECT, whose rows can therefore be addressed by rowid.
std::optional<std::string> singleBaseTable(const std::string& sql) {
    std::string flat = sql;
    for (char& c : flat) {
        if (c == '\r' || c == '\n' || c == '\t') {
            c = ' ';
        }
    }
    static const std::regex simple(
        R"(^\s*select\s+(.*?)\s+from\s+(\[[^\]]+\]|"[^"]+"|[A-Za-z_][A-Za-z0-9_]*)\s*((where|order\s+by)\b.*)?$)",
        std::regex::icase);
    static const std::regex complexParts(
        R"(\b(distinct|group\s+by|union|join|having|limit)\b|\b(count|sum|min|max|avg|total|group_concat)\s*\()",
        std::regex::icase);
    std::smatch m;
    if (!std::regex_match(flat, m, simple) || std::regex_search(flat, complexParts)) {
        return std::nullopt;
    }
    std::string t = m[2].str();
    if (t.front() == '[' || t.front() == '"') {
        t = t.substr(1, t.size() - 2);
    }
    return t;
}

/// Number of placeholders of `sql` as the engine counts them (the largest index), 0 when it does not
/// compile (running it reports why).
int placeholderCount(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    int n = 0;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) == SQLITE_OK &&
        st != nullptr) {
        n = sqlite3_bind_parameter_count(st);
    }
    sqlite3_finalize(st);
    return n;
}

/// `criteria` with every numbered placeholder `?N` turned into `?N+by`, outside quotes and comments.
/// A criteria placed after a statement with `by` placeholders then keeps its own values apart: bare
/// `?` and named placeholders already number on from the statement's.
std::string shiftNumberedPlaceholders(const std::string& criteria, int by) {
    std::string out;
    out.reserve(criteria.size() + 8);
    const std::size_t n = criteria.size();
    std::size_t i = 0;
    const auto copyUntil = [&](std::size_t end) {
        end = std::min(end, n);
        out.append(criteria, i, end - i);
        i = end;
    };
    while (i < n) {
        const char c = criteria[i];
        if (c == '\'' || c == '"' || c == '`') {
            std::size_t j = i + 1;
            while (j < n && !(criteria[j] == c && (j + 1 >= n || criteria[j + 1] != c))) {
                j += criteria[j] == c ? 2 : 1; // a doubled quote stands for itself
            }
            copyUntil(j + 1);
        } else if (c == '[') {
            const auto close = criteria.find(']', i);
            copyUntil(close == std::string::npos ? n : close + 1);
        } else if (c == '-' && i + 1 < n && criteria[i + 1] == '-') {
            copyUntil(criteria.find('\n', i)); // npos: the comment runs to the end
        } else if (c == '/' && i + 1 < n && criteria[i + 1] == '*') {
            const auto close = criteria.find("*/", i + 2);
            copyUntil(close == std::string::npos ? n : close + 2);
        } else if (c == '?' && i + 1 < n && criteria[i + 1] >= '0' && criteria[i + 1] <= '9') {
            std::size_t j = i + 1;
            long long number = 0;
            while (j < n && criteria[j] >= '0' && criteria[j] <= '9' && number < 1000000) {
                number = number * 10 + (criteria[j] - '0');
                ++j;
            }
            out += '?' + std::to_string(number + by);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

/// Orders rows field by field on their stored values, so matched rows can be looked up.
struct RowLess {
    bool operator()(const std::vector<Value>& a, const std::vector<Value>& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](const Value& x, const Value& y) { return x.raw() < y.raw(); });
    }
};

} // namespace

MaterializedRecordSource::MaterializedRecordSource(std::shared_ptr<Database> db, const std::string& select,
                                                   std::vector<Value> params)
    : RecordSource(std::move(db)), m_sql(select), m_params(std::move(params)) {
    if (auto base = singleBaseTable(select)) {
        // Carry the rowid of the base table as a hidden first column, so rows stay editable.
        std::string lowered = select;
        std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::size_t at = lowered.find("select") + 6;
        std::string keyed = select.substr(0, at) + " " + quoteName(*base) + ".rowid AS " + kKeyColumn + "," +
                            select.substr(at);
        // Without an ORDER BY the engine may walk an index; the set must come in stored order.
        static const std::regex orderBy(R"(\border\s+by\b)", std::regex::icase);
        if (!std::regex_search(select, orderBy)) {
            keyed = withoutClosingSemicolons(keyed) + " ORDER BY " + quoteName(*base) + ".rowid";
        }
        try {
            SqlStatement probe(database().handle(), keyed);
            m_sql = keyed;
            m_keyed = true;
            m_alias = *base;
            setWriteTarget(*base);
        } catch (const DatabaseError&) {
            // Not a table after all (a view has no rowid): the rows stay read only.
        }
    }
    SqlStatement st(database().handle(), m_sql);
    st.bind(m_params);
    std::vector<std::string> names;
    for (int i = m_keyed ? 1 : 0; i < st.columnCount(); ++i) {
        names.push_back(st.columnName(i));
    }
    setFieldNames(std::move(names));
    while (st.step()) {
        std::vector<Value> row = st.row();
        if (m_keyed) {
            m_keys.push_back(row.front().toInt());
            row.erase(row.begin());
        }
        m_rows.push_back(std::move(row));
    }
    setIndex(0);
}

MaterializedRecordSource::MaterializedRecordSource(std::shared_ptr<Database> db, const View& view)
    : RecordSource(std::move(db)), m_sql("SELECT * FROM " + quoteName(view.name)), m_alias(view.name) {
    // A view is mostly written to (the download appends through "Storico"): its rows are read only when
    // the cursor is first used, so binding it over a long history costs nothing.
    setWriteTarget(view.name);
    setFieldNames(database().columns(view.name));
    const bool any = !database().query(m_sql + " LIMIT 1").empty();
    m_unread = true;
    m_index = 0;
    m_bof = m_eof = !any;
    m_hasCurrent = any;
}

MaterializedRecordSource::~MaterializedRecordSource() = default;

void MaterializedRecordSource::load() const {
    if (!m_unread) {
        return;
    }
    SqlStatement st(database().handle(), m_sql);
    st.bind({});
    std::vector<std::vector<Value>> rows;
    while (st.step()) {
        rows.push_back(st.row());
    }
    m_rows = std::move(rows);
    m_unread = false;
    // The view may have changed since it was bound: keep the cursor inside what is there now.
    const auto size = static_cast<std::int64_t>(m_rows.size());
    if (m_index >= size) {
        m_hasCurrent = false;
        m_eof = true;
        m_bof = size == 0;
    }
}

void MaterializedRecordSource::setIndex(std::int64_t index) {
    const auto size = static_cast<std::int64_t>(m_rows.size());
    m_index = index;
    m_onDeleted = false;
    m_hasCurrent = index >= 0 && index < size;
    m_bof = size == 0 || index < 0;
    m_eof = size == 0 || index >= size;
}

void MaterializedRecordSource::moveFirst() {
    load();
    m_noMatch = false;
    setIndex(0);
}

void MaterializedRecordSource::moveLast() {
    load();
    m_noMatch = false;
    setIndex(static_cast<std::int64_t>(m_rows.size()) - 1);
}

void MaterializedRecordSource::moveNext() {
    load();
    m_noMatch = false;
    if (m_eof) {
        return;
    }
    setIndex(m_onDeleted ? m_index : m_index + 1);
}

void MaterializedRecordSource::movePrevious() {
    load();
    m_noMatch = false;
    if (m_bof) {
        return;
    }
    setIndex(m_index - 1);
}

std::int64_t MaterializedRecordSource::recordCount() {
    load();
    return static_cast<std::int64_t>(m_rows.size());
}

bool MaterializedRecordSource::findFirst(const std::string& criteria, const std::vector<Value>& params) {
    load();
    if (!m_parameterCount) {
        m_parameterCount = placeholderCount(database().handle(), m_sql);
    }
    const int taken = *m_parameterCount;
    // The source as a subquery keeps each field's column type, which decides how the engine compares it
    // (`Passaggio = '1'` finds the 1 stored in an INTEGER column, as on the table itself).
    const std::string sql = "SELECT * FROM (\n" + withoutClosingSemicolons(m_sql) + "\n)" +
                            (m_alias.empty() ? std::string() : " AS " + quoteName(m_alias)) + " WHERE (\n" +
                            (taken > 0 ? shiftNumberedPlaceholders(criteria, taken) : criteria) + "\n)";
    SqlStatement st(database().handle(), sql);
    // The source's values first (Null for a placeholder it was given none for), then the criteria's.
    std::vector<Value> values = m_params;
    values.resize(std::max(values.size(), static_cast<std::size_t>(taken)));
    values.insert(values.end(), params.begin(), params.end());
    st.bind(values);

    std::optional<std::size_t> found;
    if (m_keyed) {
        std::unordered_map<std::int64_t, std::vector<Value>> matched;
        while (st.step()) {
            std::vector<Value> row = st.row();
            const std::int64_t key = row.front().toInt();
            row.erase(row.begin());
            matched.emplace(key, std::move(row));
        }
        for (std::size_t i = 0; i < m_keys.size() && !found; ++i) {
            const auto it = matched.find(m_keys[i]);
            if (it != matched.end()) {
                m_rows[i] = std::move(it->second);
                found = i;
            }
        }
    } else {
        std::set<std::vector<Value>, RowLess> matched;
        while (st.step()) {
            matched.insert(st.row());
        }
        for (std::size_t i = 0; i < m_rows.size() && !found && !matched.empty(); ++i) {
            if (matched.count(m_rows[i]) > 0) {
                found = i;
            }
        }
    }
    if (found) {
        setIndex(static_cast<std::int64_t>(*found));
    } else {
        m_hasCurrent = false;
    }
    m_noMatch = !found;
    return found.has_value();
}

Value MaterializedRecordSource::value(std::size_t index) const {
    load();
    if (!m_hasCurrent) {
        return {};
    }
    const auto& row = m_rows[static_cast<std::size_t>(m_index)];
    return index < row.size() ? row[index] : Value();
}

bool MaterializedRecordSource::update(const FieldChanges& fields) {
    if (!fields.empty() && !updateRow(currentKey(), fields)) {
        forgetCurrent();
        return false;
    }
    for (const auto& [i, v] : fields) {
        m_rows[static_cast<std::size_t>(m_index)][i] = v;
    }
    return true;
}

bool MaterializedRecordSource::remove() {
    const bool deleted = deleteRow(currentKey());
    forgetCurrent();
    return deleted;
}

void MaterializedRecordSource::forgetCurrent() {
    const auto at = static_cast<std::ptrdiff_t>(m_index);
    m_rows.erase(m_rows.begin() + at);
    m_keys.erase(m_keys.begin() + at);
    m_hasCurrent = false;
    m_onDeleted = true;
}

} // namespace sentinex
