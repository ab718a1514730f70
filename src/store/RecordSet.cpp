#include "RecordSet.hpp"

#include "MaterializedRecordSource.hpp"
#include "TableRecordSource.hpp"

#include <optional>

namespace sentinex {

namespace {

const char* const kReadOnly = "Impossibile aggiornare. Database o oggetto di sola lettura.";
const char* const kNoCurrent = "Nessun record corrente.";
const char* const kNoChangePending = "Update o CancelUpdate senza AddNew o Edit.";

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

/// The source that `source` names: a table, a view, or else a SELECT statement.
std::unique_ptr<RecordSource> openSource(const std::shared_ptr<Database>& db, const std::string& source,
                                         const std::vector<Value>& params) {
    const auto relation = relationName(source);
    if (!relation) {
        return std::make_unique<MaterializedRecordSource>(db, source, params);
    }
    const auto rows = db->query("SELECT type, name FROM sqlite_master WHERE type IN ('table','view') AND "
                                "name = ? COLLATE NOCASE",
                                {Value(*relation)});
    if (rows.empty()) {
        throw DatabaseError("Impossibile trovare la tabella o la query di input '" + *relation + "'.");
    }
    const std::string name = rows[0][1].toString();
    if (rows[0][0].toString() == "table") {
        return std::make_unique<TableRecordSource>(db, name);
    }
    return std::make_unique<MaterializedRecordSource>(db, MaterializedRecordSource::View{name});
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

RecordSource& RecordSet::boundRecords() {
    requireBound();
    if (!m_records) {
        // The last refresh failed (and said why): the set holds nothing and cannot be written.
        throw DatabaseError(kReadOnly);
    }
    return *m_records;
}

void RecordSet::bind(std::shared_ptr<Database> db, std::string source, std::vector<Value> params) {
    m_records.reset();
    m_db = std::move(db);
    m_source = std::move(source);
    m_params = std::move(params);
    refresh();
}

void RecordSet::refresh() {
    requireBound();
    dropPendingChange();
    m_records.reset(); // a source that cannot be opened leaves an empty set behind
    m_records = openSource(m_db, m_source, m_params);
}

void RecordSet::dropPendingChange() {
    // Moving off a record abandons what addNew or edit had started, as the engine's record sets do:
    // the fields set so far never land in the record the cursor moved to.
    m_mode = Mode::None;
    m_pending.clear();
}

void RecordSet::moveFirst() {
    requireBound();
    dropPendingChange();
    if (m_records) {
        m_records->moveFirst();
    }
}

void RecordSet::moveLast() {
    requireBound();
    dropPendingChange();
    if (m_records) {
        m_records->moveLast();
    }
}

void RecordSet::moveNext() {
    requireBound();
    dropPendingChange();
    if (m_records) {
        m_records->moveNext();
    }
}

void RecordSet::movePrevious() {
    requireBound();
    dropPendingChange();
    if (m_records) {
        m_records->movePrevious();
    }
}

std::int64_t RecordSet::recordCount() {
    requireBound();
    return m_records ? m_records->recordCount() : 0;
}

bool RecordSet::findFirst(const std::string& criteria, const std::vector<Value>& params) {
    requireBound();
    dropPendingChange();
    return m_records && m_records->findFirst(criteria, params);
}

bool RecordSet::hasField(const std::string& name) const {
    return m_records && m_records->fieldIndex(name).has_value();
}

const std::vector<std::string>& RecordSet::fieldNames() const {
    static const std::vector<std::string> none;
    return m_records ? m_records->fieldNames() : none;
}

Value RecordSet::field(const std::string& name) const {
    if (!m_records) {
        return {};
    }
    const auto i = m_records->fieldIndex(name);
    return i ? m_records->value(*i) : Value();
}

void RecordSet::addNew() {
    RecordSource& records = boundRecords();
    if (!records.canAdd()) {
        throw DatabaseError(kReadOnly);
    }
    m_mode = Mode::Adding;
    m_pending.clear();
}

void RecordSet::edit() {
    RecordSource& records = boundRecords();
    if (!records.canEdit()) {
        throw DatabaseError(kReadOnly);
    }
    if (!records.hasCurrent()) {
        throw DatabaseError(kNoCurrent);
    }
    m_mode = Mode::Editing;
    m_pending.clear();
}

void RecordSet::setField(const std::string& name, Value v) {
    if (m_mode == Mode::None) {
        throw DatabaseError(kNoChangePending);
    }
    const auto i = boundRecords().fieldIndex(name);
    if (!i) {
        throw DatabaseError("Elemento non trovato in questo insieme: '" + name + "'.");
    }
    for (auto& [index, value] : m_pending) {
        if (index == *i) {
            value = std::move(v);
            return;
        }
    }
    m_pending.emplace_back(*i, std::move(v));
}

void RecordSet::update() {
    requireBound();
    if (m_mode == Mode::None) {
        throw DatabaseError(kNoChangePending);
    }
    RecordSource& records = boundRecords();
    // An engine error leaves the change pending, so the caller can correct it or cancel it.
    if (m_mode == Mode::Adding) {
        m_lastAddedKey = records.insert(m_pending);
    } else {
        if (!records.hasCurrent()) {
            throw DatabaseError(kNoCurrent);
        }
        if (!records.update(m_pending)) {
            // Deleted through another handle meanwhile: the edit cannot be stored anywhere.
            dropPendingChange();
            throw DatabaseError("Record eliminato.");
        }
    }
    dropPendingChange();
}

void RecordSet::cancelUpdate() {
    dropPendingChange();
}

void RecordSet::deleteCurrent() {
    RecordSource& records = boundRecords();
    if (!records.canEdit()) {
        throw DatabaseError(kReadOnly);
    }
    if (!records.hasCurrent()) {
        throw DatabaseError(kNoCurrent);
    }
    dropPendingChange();
    if (!records.remove()) {
        throw DatabaseError("Record eliminato.");
    }
}

int RecordSet::execute(const std::string& sql, const std::vector<Value>& params) {
    requireBound();
    return m_db->execute(sql, params);
}

} // namespace sentinex
