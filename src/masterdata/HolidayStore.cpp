#include "HolidayStore.hpp"

#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

HolidayStore::HolidayStore(Database& db, std::string window) : m_db(db), m_window(std::move(window)) {}

std::vector<HolidayStore::Stored> HolidayStore::all() const {
    // "dd/mm" and "dd/mm/yyyy": month, then day, then the yearly row (shorter) first, then the year.
    const auto rows = m_db.query("SELECT rowid, Data, Descrizione, Tipo FROM Festivita ORDER BY "
                                 "substr(Data, 4, 2), substr(Data, 1, 2), length(Data), Data, rowid");
    std::vector<Stored> out;
    out.reserve(rows.size());
    for (const auto& r : rows) {
        out.push_back({r[0].toInt(), {r[1].toString(), r[2].toString(), r[3].toString()}});
    }
    return out;
}

std::optional<std::int64_t> HolidayStore::findDate(const std::string& data,
                                                   std::optional<std::int64_t> except) const {
    const auto rows = m_db.query("SELECT rowid FROM Festivita WHERE Data = ? AND rowid <> ? LIMIT 1",
                                 {data, except ? Value(*except) : Value(-1LL)});
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front().front().toInt();
}

std::int64_t HolidayStore::add(const HolidayRecord& record) {
    Transaction transaction(m_db);
    m_db.execute("INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES (?, ?, ?)",
                 {record.Data, record.Descrizione, record.Tipo});
    const std::int64_t key = m_db.lastInsertRowid();
    AuditLog::write(m_db, {m_window, "Festività creata", std::to_string(key), "",
                           AuditLog::text(AuditLog::rowFields(m_db, "Festivita", key))});
    transaction.commit();
    return key;
}

void HolidayStore::change(std::int64_t key, const HolidayRecord& record) {
    Transaction transaction(m_db);
    const AuditLog::Fields before = AuditLog::rowFields(m_db, "Festivita", key);
    m_db.execute("UPDATE Festivita SET Data = ?, Descrizione = ?, Tipo = ? WHERE rowid = ?",
                 {record.Data, record.Descrizione, record.Tipo, Value(key)});
    const auto [was, is] = AuditLog::difference(before, AuditLog::rowFields(m_db, "Festivita", key));
    AuditLog::write(m_db, {m_window, "Festività modificata", std::to_string(key), was, is});
    transaction.commit();
}

void HolidayStore::remove(std::int64_t key) {
    Transaction transaction(m_db);
    const AuditLog::Fields before = AuditLog::rowFields(m_db, "Festivita", key);
    if (m_db.execute("DELETE FROM Festivita WHERE rowid = ?", {Value(key)}) == 1) {
        AuditLog::write(m_db,
                        {m_window, "Festività eliminata", std::to_string(key), AuditLog::text(before), ""});
    }
    transaction.commit();
}

} // namespace sentinex
