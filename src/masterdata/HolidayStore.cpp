#include "HolidayStore.hpp"

#include "store/Database.hpp"

namespace sentinex {

HolidayStore::HolidayStore(Database& db) : m_db(db) {}

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
    m_db.execute("INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES (?, ?, ?)",
                 {record.Data, record.Descrizione, record.Tipo});
    return m_db.lastInsertRowid();
}

void HolidayStore::change(std::int64_t key, const HolidayRecord& record) {
    m_db.execute("UPDATE Festivita SET Data = ?, Descrizione = ?, Tipo = ? WHERE rowid = ?",
                 {record.Data, record.Descrizione, record.Tipo, Value(key)});
}

void HolidayStore::remove(std::int64_t key) {
    m_db.execute("DELETE FROM Festivita WHERE rowid = ?", {Value(key)});
}

} // namespace sentinex
