#include "RecordSet.hpp"

#include "SqlStatement.hpp"

#include <limits>
#include <regex>

namespace sentinex {

namespace {

enum Slot { First = 1, Last, Next, Previous, ByKey, Count, Find };

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string quoteId(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    return q + "\"";
}

std::string trimAll(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return {};
    }
    const auto e = s.find_last_not_of(" \t\r\n;");
    return s.substr(b, e - b + 1);
}

/// A source that names one relation: "Carte", "[Carte]", "\"Carte\"".
std::optional<std::string> relationName(const std::string& source) {
    std::string s = trimAll(source);
    if (s.size() >= 2 && ((s.front() == '[' && s.back() == ']') || (s.front() == '"' && s.back() == '"') ||
                          (s.front() == '`' && s.back() == '`'))) {
        s = s.substr(1, s.size() - 2);
    } else if (s.find_first_of(" \t\r\n(),;'\"") != std::string::npos) {
        return std::nullopt;
    }
    if (s.empty()) {
        return std::nullopt;
    }
    return s;
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

} // namespace

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;

RecordSet::RecordSet(std::shared_ptr<Database> db, std::string source, std::vector<Value> params) {
    bind(std::move(db), std::move(source), std::move(params));
}

void RecordSet::requireBound() const {
    if (!m_db) {
        throw DatabaseError("L'insieme di record non è collegato a un database.");
    }
}

void RecordSet::bind(std::shared_ptr<Database> db, std::string source, std::vector<Value> params) {
    m_cache.clear();
    m_db = std::move(db);
    m_source = std::move(source);
    m_params = std::move(params);
    m_mode = Mode::None;
    m_pending.clear();
    refresh();
}

SqlStatement& RecordSet::cached(int slot, const std::string& sql) {
    auto it = m_cache.find(slot);
    if (it == m_cache.end()) {
        it = m_cache.emplace(slot, std::make_unique<SqlStatement>(m_db->handle(), sql)).first;
    }
    return *it->second;
}

void RecordSet::clearCurrent() {
    m_hasCurrent = false;
    m_current.clear();
    m_onDeleted = false;
}

void RecordSet::refresh() {
    requireBound();
    m_cache.clear();
    m_mode = Mode::None;
    m_pending.clear();
    m_rows.clear();
    m_rowids.clear();
    m_columns.clear();
    m_colIndex.clear();
    m_isTable = false;
    m_viewPending = false;
    m_rowAddressable = false;
    m_writeTarget.clear();
    m_noMatch = false;
    clearCurrent();

    std::string type;
    std::string name;
    if (auto rel = relationName(m_source)) {
        const auto rows =
            m_db->query("SELECT type, name FROM sqlite_master WHERE type IN ('table','view') AND "
                        "name = ? COLLATE NOCASE",
                        {Value(*rel)});
        if (!rows.empty()) {
            type = rows[0][0].toString();
            name = rows[0][1].toString();
        } else {
            throw DatabaseError("Impossibile trovare la tabella o la query di input '" + *rel + "'.");
        }
    }
    if (type == "table") {
        m_isTable = true;
        m_rowAddressable = true;
        m_writeTarget = name;
        m_columns = m_db->columns(name);
        m_selectList.clear();
        for (const auto& c : m_columns) {
            m_selectList += ", " + quoteId(c);
        }
    } else {
        std::string sql;
        bool withRowid = false;
        if (type == "view") {
            // A view is mostly written to (the download appends through "Storico"): its rows are read
            // only when the cursor is first used, so binding it over a long history costs nothing.
            m_writeTarget = name;
            m_columns = m_db->columns(name);
            for (std::size_t i = 0; i < m_columns.size(); ++i) {
                m_colIndex.emplace(lower(m_columns[i]), i);
            }
            const bool any = !m_db->query("SELECT 1 FROM " + quoteId(name) + " LIMIT 1").empty();
            m_viewPending = true;
            m_index = 0;
            m_bof = m_eof = !any;
            m_hasCurrent = any;
            return;
        } else {
            sql = m_source;
            if (auto base = singleBaseTable(m_source)) {
                // Carry the rowid of the base table as a hidden first column, so rows stay editable.
                const std::size_t at = lower(m_source).find("select") + 6;
                std::string withKey = m_source.substr(0, at) + " " + quoteId(*base) + ".rowid AS sx__rowid," +
                                      m_source.substr(at);
                // Without an ORDER BY the engine may walk an index; the set must come in stored order.
                static const std::regex orderBy(R"(\border\s+by\b)", std::regex::icase);
                if (!std::regex_search(m_source, orderBy)) {
                    const std::size_t end = withKey.find_last_not_of(" \t\r\n;");
                    withKey = withKey.substr(0, end + 1) + " ORDER BY " + quoteId(*base) + ".rowid";
                }
                try {
                    SqlStatement probe(m_db->handle(), withKey);
                    sql = withKey;
                    withRowid = true;
                    m_writeTarget = *base;
                    m_rowAddressable = true;
                } catch (const DatabaseError&) {
                    withRowid = false;
                }
            }
        }
        SqlStatement st(m_db->handle(), sql);
        st.bind(type == "view" ? std::vector<Value>{} : m_params);
        const int n = st.columnCount();
        for (int i = withRowid ? 1 : 0; i < n; ++i) {
            m_columns.push_back(st.columnName(i));
        }
        while (st.step()) {
            std::vector<Value> row = st.row();
            if (withRowid) {
                m_rowids.push_back(row.front().toInt());
                row.erase(row.begin());
            }
            m_rows.push_back(std::move(row));
        }
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        m_colIndex.emplace(lower(m_columns[i]), i);
    }
    moveFirst();
}

bool RecordSet::fetchTableRow(int slot, const std::string& sql, const std::vector<Value>& params) {
    SqlStatement& st = cached(slot, sql);
    st.bind(params);
    bool found = false;
    try {
        found = st.step();
        if (found) {
            m_key = st.column(0).toInt();
            m_current.clear();
            for (int i = 1; i < st.columnCount(); ++i) {
                m_current.push_back(st.column(i));
            }
        }
    } catch (...) {
        st.reset();
        throw;
    }
    st.reset(); // never keep a read transaction open between moves
    if (found) {
        m_hasCurrent = true;
        m_onDeleted = false;
    }
    return found;
}

void RecordSet::loadView() const {
    if (!m_viewPending) {
        return;
    }
    m_viewPending = false;
    SqlStatement st(m_db->handle(), "SELECT * FROM " + quoteId(m_writeTarget));
    st.bind({});
    while (st.step()) {
        m_rows.push_back(st.row());
    }
    // The view may have changed since it was bound: keep the cursor inside what is there now.
    const auto size = static_cast<std::int64_t>(m_rows.size());
    if (m_index >= size) {
        m_hasCurrent = false;
        m_eof = true;
        m_bof = size == 0;
    }
}

void RecordSet::setMaterializedIndex(std::int64_t index) {
    const auto size = static_cast<std::int64_t>(m_rows.size());
    m_index = index;
    m_onDeleted = false;
    m_hasCurrent = index >= 0 && index < size;
    m_bof = size == 0 || index < 0;
    m_eof = size == 0 || index >= size;
}

void RecordSet::moveFirst() {
    requireBound();
    loadView();
    m_noMatch = false;
    dropPendingChange();
    if (!m_isTable) {
        setMaterializedIndex(0);
        return;
    }
    const std::string t = quoteId(m_writeTarget);
    clearCurrent();
    if (fetchTableRow(First, "SELECT rowid" + m_selectList + " FROM " + t + " ORDER BY rowid LIMIT 1", {})) {
        m_bof = m_eof = false;
    } else {
        m_bof = m_eof = true;
    }
}

void RecordSet::moveLast() {
    requireBound();
    loadView();
    m_noMatch = false;
    dropPendingChange();
    if (!m_isTable) {
        setMaterializedIndex(static_cast<std::int64_t>(m_rows.size()) - 1);
        if (m_rows.empty()) {
            m_bof = m_eof = true;
        }
        return;
    }
    const std::string t = quoteId(m_writeTarget);
    clearCurrent();
    if (fetchTableRow(Last, "SELECT rowid" + m_selectList + " FROM " + t + " ORDER BY rowid DESC LIMIT 1",
                      {})) {
        m_bof = m_eof = false;
    } else {
        m_bof = m_eof = true;
    }
}

void RecordSet::moveNext() {
    requireBound();
    loadView();
    m_noMatch = false;
    dropPendingChange();
    if (!m_isTable) {
        if (m_eof) {
            return;
        }
        setMaterializedIndex(m_onDeleted ? m_index : m_index + 1);
        if (m_rows.empty()) {
            m_bof = m_eof = true;
        }
        return;
    }
    if (m_eof) {
        return;
    }
    const std::int64_t from = m_bof ? std::numeric_limits<std::int64_t>::min() : m_key;
    clearCurrent();
    const std::string t = quoteId(m_writeTarget);
    if (fetchTableRow(
            Next, "SELECT rowid" + m_selectList + " FROM " + t + " WHERE rowid > ? ORDER BY rowid LIMIT 1",
            {Value(static_cast<long long>(from))})) {
        m_bof = m_eof = false;
    } else {
        m_eof = true;
        m_key = std::numeric_limits<std::int64_t>::max();
    }
}

void RecordSet::movePrevious() {
    requireBound();
    loadView();
    m_noMatch = false;
    dropPendingChange();
    if (!m_isTable) {
        if (m_bof) {
            return;
        }
        setMaterializedIndex(m_index - 1);
        if (m_rows.empty()) {
            m_bof = m_eof = true;
        }
        return;
    }
    if (m_bof) {
        return;
    }
    const std::int64_t from = m_eof ? std::numeric_limits<std::int64_t>::max() : m_key;
    clearCurrent();
    const std::string t = quoteId(m_writeTarget);
    if (fetchTableRow(Previous,
                      "SELECT rowid" + m_selectList + " FROM " + t +
                          " WHERE rowid < ? ORDER BY rowid DESC LIMIT 1",
                      {Value(static_cast<long long>(from))})) {
        m_bof = m_eof = false;
    } else {
        m_bof = true;
        m_key = std::numeric_limits<std::int64_t>::min();
    }
}

std::int64_t RecordSet::recordCount() {
    requireBound();
    loadView();
    if (!m_isTable) {
        return static_cast<std::int64_t>(m_rows.size());
    }
    SqlStatement& st = cached(Count, "SELECT count(*) FROM " + quoteId(m_writeTarget));
    st.bind({});
    st.step();
    const std::int64_t n = st.column(0).toInt();
    st.reset();
    return n;
}

bool RecordSet::findFirst(const std::string& criteria, const std::vector<Value>& params) {
    requireBound();
    loadView();
    dropPendingChange();
    bool found = false;
    if (m_isTable) {
        // The same criteria with new values is the common case (a lookup per card): keep its statement.
        if (criteria != m_findCriteria) {
            m_cache.erase(Find);
            m_findCriteria.clear();
        }
        SqlStatement& st = cached(Find, "SELECT rowid" + m_selectList + " FROM " + quoteId(m_writeTarget) +
                                            " WHERE (" + criteria + ") ORDER BY rowid LIMIT 1");
        m_findCriteria = criteria;
        clearCurrent();
        st.bind(params);
        bool row = false;
        try {
            row = st.step();
            if (row) {
                m_key = st.column(0).toInt();
                for (int i = 1; i < st.columnCount(); ++i) {
                    m_current.push_back(st.column(i));
                }
            }
        } catch (...) {
            st.reset();
            throw;
        }
        st.reset();
        if (row) {
            m_hasCurrent = true;
            m_bof = m_eof = false;
            found = true;
        }
    } else if (!m_columns.empty()) {
        // Evaluate the criteria on each held row by handing the row to the engine as one-row table.
        std::string sql = "SELECT 1 FROM (SELECT ";
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            sql += (i ? ", ? AS " : "? AS ") + quoteId(m_columns[i]);
        }
        sql += ") WHERE (" + criteria + ")";
        SqlStatement st(m_db->handle(), sql);
        for (std::size_t r = 0; r < m_rows.size() && !found; ++r) {
            std::vector<Value> all = m_rows[r];
            all.insert(all.end(), params.begin(), params.end());
            st.bind(all);
            if (st.step()) {
                setMaterializedIndex(static_cast<std::int64_t>(r));
                found = true;
            }
            st.reset();
        }
        if (!found) {
            m_hasCurrent = false;
        }
    }
    m_noMatch = !found;
    return found;
}

std::optional<std::size_t> RecordSet::columnIndex(const std::string& name) const {
    const auto it = m_colIndex.find(lower(name));
    if (it == m_colIndex.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool RecordSet::hasField(const std::string& name) const {
    return columnIndex(name).has_value();
}

Value RecordSet::field(const std::string& name) const {
    loadView();
    const auto i = columnIndex(name);
    if (!i || !m_hasCurrent) {
        return {};
    }
    if (m_isTable) {
        return *i < m_current.size() ? m_current[*i] : Value();
    }
    const auto& row = m_rows[static_cast<std::size_t>(m_index)];
    return *i < row.size() ? row[*i] : Value();
}

void RecordSet::addNew() {
    requireBound();
    if (m_writeTarget.empty()) {
        throw DatabaseError("Impossibile aggiornare. Database o oggetto di sola lettura.");
    }
    m_mode = Mode::Adding;
    m_pending.clear();
}

void RecordSet::edit() {
    requireBound();
    if (!m_rowAddressable) {
        throw DatabaseError("Impossibile aggiornare. Database o oggetto di sola lettura.");
    }
    if (!m_hasCurrent) {
        throw DatabaseError("Nessun record corrente.");
    }
    m_mode = Mode::Editing;
    m_pending.clear();
}

void RecordSet::setField(const std::string& name, Value v) {
    if (m_mode == Mode::None) {
        throw DatabaseError("Update o CancelUpdate senza AddNew o Edit.");
    }
    const auto i = columnIndex(name);
    if (!i) {
        throw DatabaseError("Elemento non trovato in questo insieme: '" + name + "'.");
    }
    for (auto& p : m_pending) {
        if (p.first == *i) {
            p.second = std::move(v);
            return;
        }
    }
    m_pending.emplace_back(*i, std::move(v));
}

void RecordSet::update() {
    requireBound();
    if (m_mode == Mode::None) {
        throw DatabaseError("Update o CancelUpdate senza AddNew o Edit.");
    }
    std::vector<Value> params;
    if (m_mode == Mode::Adding) {
        std::string cols;
        std::string marks;
        for (const auto& [i, v] : m_pending) {
            cols += (cols.empty() ? "" : ", ") + quoteId(m_columns[i]);
            marks += marks.empty() ? "?" : ", ?";
            params.push_back(v);
        }
        const std::string sql =
            m_pending.empty()
                ? "INSERT INTO " + quoteId(m_writeTarget) + " DEFAULT VALUES"
                : "INSERT INTO " + quoteId(m_writeTarget) + " (" + cols + ") VALUES (" + marks + ")";
        m_db->execute(sql, params);
        m_lastAddedKey = m_db->lastInsertRowid();
    } else {
        if (!m_hasCurrent) {
            throw DatabaseError("Nessun record corrente.");
        }
        const std::int64_t key = m_isTable ? m_key : m_rowids[static_cast<std::size_t>(m_index)];
        bool present = true;
        if (!m_pending.empty()) {
            std::string sets;
            for (const auto& [i, v] : m_pending) {
                sets += (sets.empty() ? "" : ", ") + quoteId(m_columns[i]) + " = ?";
                params.push_back(v);
            }
            params.emplace_back(static_cast<long long>(key));
            present = m_db->execute("UPDATE " + quoteId(m_writeTarget) + " SET " + sets + " WHERE rowid = ?",
                                    params) > 0;
        }
        if (m_isTable && present) {
            // Read back what the engine stored (type affinity may have changed a value).
            present = fetchTableRow(
                ByKey, "SELECT rowid" + m_selectList + " FROM " + quoteId(m_writeTarget) + " WHERE rowid = ?",
                {Value(static_cast<long long>(key))});
        }
        if (!present) {
            // Deleted through another handle meanwhile: the edit cannot be stored anywhere.
            m_mode = Mode::None;
            m_pending.clear();
            forgetDeletedCurrent();
            throw DatabaseError("Record eliminato.");
        }
        if (!m_isTable) {
            for (const auto& [i, v] : m_pending) {
                m_rows[static_cast<std::size_t>(m_index)][i] = v;
            }
        }
    }
    m_mode = Mode::None;
    m_pending.clear();
}

void RecordSet::cancelUpdate() {
    m_mode = Mode::None;
    m_pending.clear();
}

void RecordSet::dropPendingChange() {
    // Moving off a record abandons what addNew or edit had started, as the engine's record sets do:
    // the fields set so far never land in the record the cursor moved to.
    m_mode = Mode::None;
    m_pending.clear();
}

void RecordSet::deleteCurrent() {
    requireBound();
    if (!m_rowAddressable) {
        throw DatabaseError("Impossibile aggiornare. Database o oggetto di sola lettura.");
    }
    if (!m_hasCurrent) {
        throw DatabaseError("Nessun record corrente.");
    }
    m_mode = Mode::None;
    m_pending.clear();
    const std::int64_t key = m_isTable ? m_key : m_rowids[static_cast<std::size_t>(m_index)];
    const int deleted = m_db->execute("DELETE FROM " + quoteId(m_writeTarget) + " WHERE rowid = ?",
                                      {Value(static_cast<long long>(key))});
    forgetDeletedCurrent();
    if (deleted == 0) {
        throw DatabaseError("Record eliminato.");
    }
}

void RecordSet::forgetDeletedCurrent() {
    if (m_isTable) {
        m_current.clear();
    } else {
        const auto idx = static_cast<std::size_t>(m_index);
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(idx));
        m_rowids.erase(m_rowids.begin() + static_cast<std::ptrdiff_t>(idx));
    }
    m_hasCurrent = false;
    m_onDeleted = true;
}

int RecordSet::execute(const std::string& sql, const std::vector<Value>& params) {
    requireBound();
    return m_db->execute(sql, params);
}

} // namespace sentinex
