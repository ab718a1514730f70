#include "ReaderStore.hpp"

#include "core/Numbers.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

#include <limits>
#include <stdexcept>

namespace sentinex {

namespace {

constexpr const char* Columns =
    "TipoLettore, SituatoPresso, CodiceImpianto, Ritardo, PosCarta1, PosCarta2, PosCarta3, PosCarta4, "
    "PosCodice1, PosCodice2, PosCodice3, PosCodice4, PosCodice5, PosCodice6, NumeroLoop, NumeroIndirizzo, "
    "Stato, RiscriviRam, TestInput, FasceOrarie";

std::vector<Value> valuesOf(const ReaderRecord& r) {
    std::vector<Value> v{r.TipoLettore, r.SituatoPresso, r.CodiceImpianto,
                         Value(static_cast<long long>(r.Ritardo))};
    for (std::int64_t p : r.PosCarta) {
        v.emplace_back(static_cast<long long>(p));
    }
    for (std::int64_t p : r.PosCodice) {
        v.emplace_back(static_cast<long long>(p));
    }
    v.emplace_back(static_cast<long long>(r.NumeroLoop));
    v.emplace_back(static_cast<long long>(r.NumeroIndirizzo));
    v.emplace_back(r.Stato);
    v.emplace_back(r.RiscriviRam);
    v.emplace_back(r.TestInput);
    v.emplace_back(r.FasceOrarie);
    return v;
}

ReaderRecord recordOf(const std::vector<Value>& row) {
    ReaderRecord r;
    std::size_t i = 0;
    r.TipoLettore = row[i++].toString();
    r.SituatoPresso = row[i++].toString();
    r.CodiceImpianto = row[i++].toString();
    r.Ritardo = row[i++].toInt();
    for (std::int64_t& p : r.PosCarta) {
        p = row[i++].toInt();
    }
    for (std::int64_t& p : r.PosCodice) {
        p = row[i++].toInt();
    }
    r.NumeroLoop = row[i++].toInt();
    r.NumeroIndirizzo = row[i++].toInt();
    r.Stato = row[i++].toString();
    r.RiscriviRam = row[i++].toBool();
    r.TestInput = row[i++].toBool();
    r.FasceOrarie = row[i++].toBool();
    return r;
}

std::int16_t asInt16(const Value& v) {
    return static_cast<std::int16_t>(clampTo(v.toInt(), std::numeric_limits<std::int16_t>::min(),
                                             std::numeric_limits<std::int16_t>::max()));
}

std::int32_t asInt32(const Value& v) {
    return static_cast<std::int32_t>(clampTo(v.toInt(), std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
}

// Numbers are taken from the stored values (the site code is a text such as "004567") and clamped, so an
// out-of-range value gives the nearest one the field holds, never a wrapped one.
ReaderEntry entryOf(const std::vector<Value>& row) {
    ReaderEntry e;
    std::size_t i = 0;
    e.type = row[i++].toString();
    e.address = asInt16(row[i++]);
    e.loop = asInt16(row[i++]);
    e.siteCode = asInt32(row[i++]);
    e.delay = asInt16(row[i++]);
    e.location = row[i++].toString();
    for (std::int16_t& p : e.posCarta) {
        p = asInt16(row[i++]);
    }
    for (std::int16_t& p : e.posCodice) {
        p = asInt16(row[i++]);
    }
    e.state = row[i++].toString();
    e.direction = ReaderEntry::directionOf(e.state);
    return e;
}

} // namespace

ReaderStore::ReaderStore(std::shared_ptr<Database> db, std::string window)
    : m_db(std::move(db)), m_window(std::move(window)) {}

int ReaderStore::count() {
    return static_cast<int>(m_db->query("SELECT count(*) FROM Lettori").at(0).at(0).toInt());
}

std::vector<ReaderRecord> ReaderStore::all() {
    std::vector<ReaderRecord> out;
    for (const auto& row : m_db->query(std::string("SELECT ") + Columns + " FROM Lettori ORDER BY rowid")) {
        out.push_back(recordOf(row));
    }
    return out;
}

ReaderRecord ReaderStore::at(int position) {
    const auto rows = m_db->query(std::string("SELECT ") + Columns + " FROM Lettori WHERE rowid = ?",
                                  {Value(static_cast<long long>(keyAt(position)))});
    return recordOf(rows.at(0));
}

std::vector<ReaderEntry> ReaderStore::entries(int limit) {
    std::vector<ReaderEntry> out;
    const auto rows = m_db->query(
        "SELECT TipoLettore, NumeroIndirizzo, NumeroLoop, CodiceImpianto, Ritardo, SituatoPresso, PosCarta1, "
        "PosCarta2, PosCarta3, PosCarta4, PosCodice1, PosCodice2, PosCodice3, PosCodice4, PosCodice5, "
        "PosCodice6, Stato FROM Lettori ORDER BY rowid LIMIT ?",
        {Value(limit)});
    out.reserve(rows.size());
    for (const auto& row : rows) {
        out.push_back(entryOf(row));
    }
    return out;
}

std::vector<ReaderValidation::Slot> ReaderStore::loopAddresses() {
    std::vector<ReaderValidation::Slot> out;
    for (const auto& row : m_db->query("SELECT NumeroLoop, NumeroIndirizzo FROM Lettori ORDER BY rowid")) {
        out.push_back({row[0].toInt(), row[1].toInt()});
    }
    return out;
}

std::int64_t ReaderStore::keyAt(int position) {
    if (position < 1) {
        throw std::out_of_range("no reader at position " + std::to_string(position));
    }
    const auto rows =
        m_db->query("SELECT rowid FROM Lettori ORDER BY rowid LIMIT 1 OFFSET ?", {Value(position - 1)});
    if (rows.empty()) {
        throw std::out_of_range("no reader at position " + std::to_string(position));
    }
    return rows[0][0].toInt();
}

void ReaderStore::add(const ReaderRecord& record) {
    Transaction t(*m_db);
    if (count() >= Capacity) {
        throw std::length_error(FullText);
    }
    m_db->execute(std::string("INSERT INTO Lettori (") + Columns +
                      ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                  valuesOf(record));
    const auto [was, is] =
        AuditLog::difference({}, AuditLog::rowFields(*m_db, "Lettori", m_db->lastInsertRowid()));
    AuditLog::write(*m_db, {m_window, "Lettore creato", std::to_string(count()), was, is});
    t.commit();
}

void ReaderStore::update(int position, const ReaderRecord& record) {
    Transaction t(*m_db);
    const std::int64_t key = keyAt(position);
    const AuditLog::Fields before = AuditLog::rowFields(*m_db, "Lettori", key);
    std::vector<Value> params = valuesOf(record);
    params.emplace_back(static_cast<long long>(key));
    m_db->execute(
        "UPDATE Lettori SET TipoLettore = ?, SituatoPresso = ?, CodiceImpianto = ?, Ritardo = ?, "
        "PosCarta1 = ?, PosCarta2 = ?, PosCarta3 = ?, PosCarta4 = ?, PosCodice1 = ?, PosCodice2 = ?, "
        "PosCodice3 = ?, PosCodice4 = ?, PosCodice5 = ?, PosCodice6 = ?, NumeroLoop = ?, "
        "NumeroIndirizzo = ?, Stato = ?, RiscriviRam = ?, TestInput = ?, FasceOrarie = ? "
        "WHERE rowid = ?",
        params);
    const auto [was, is] = AuditLog::difference(before, AuditLog::rowFields(*m_db, "Lettori", key));
    AuditLog::write(*m_db, {m_window, "Lettore modificato", std::to_string(position), was, is});
    t.commit();
}

void ReaderStore::remove(int position) {
    Transaction t(*m_db);
    const std::int64_t key = keyAt(position);
    const AuditLog::Fields before = AuditLog::rowFields(*m_db, "Lettori", key);
    m_db->execute("DELETE FROM Lettori WHERE rowid = ?", {Value(static_cast<long long>(key))});
    m_db->execute("UPDATE Carte SET Lettore = substr(Lettore, 1, ? - 1) || substr(Lettore, ? + 1) || '0' "
                  "WHERE length(Lettore) >= ?",
                  {Value(position), Value(position), Value(position)});
    AuditLog::write(*m_db,
                    {m_window, "Lettore eliminato", std::to_string(position), AuditLog::text(before), ""});
    t.commit();
}

} // namespace sentinex
