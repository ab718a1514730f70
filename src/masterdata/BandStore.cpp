#include "BandStore.hpp"

#include "TimeChecks.hpp"
#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

#include <vector>

namespace sentinex {

namespace {

constexpr const char* DayNames[BandTimes::Days] = {"LUNEDI'",  "MARTEDI'", "MERCOLEDI'", "GIOVEDI'",
                                                   "VENERDI'", "SABATO",   "DOMENICA"};

std::string bandColumns() {
    std::string sql;
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        sql += BandTimes::timeField(i) + ", ";
    }
    for (int d = 0; d < BandTimes::Days; ++d) {
        sql += BandTimes::dayField(d) + (d + 1 < BandTimes::Days ? ", " : "");
    }
    return sql;
}

std::string bandAssignments() {
    std::string sql;
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        sql += BandTimes::timeField(i) + " = ?, ";
    }
    for (int d = 0; d < BandTimes::Days; ++d) {
        sql += BandTimes::dayField(d) + (d + 1 < BandTimes::Days ? " = ?, " : " = ?");
    }
    return sql;
}

std::vector<Value> bandValues(const BandTimes& band) {
    std::vector<Value> params;
    for (const std::string& time : band.times) {
        params.emplace_back(time);
    }
    for (bool day : band.days) {
        params.emplace_back(day);
    }
    return params;
}

} // namespace

BandStore::BandStore(std::shared_ptr<Database> db, std::string window)
    : m_db(std::move(db)), m_window(std::move(window)) {}

std::int64_t BandStore::count() {
    return m_db->query("SELECT count(*) FROM Fasce").at(0).at(0).toInt();
}

std::optional<BandStore::Stored> BandStore::atPosition(std::int64_t position) {
    if (position < 1) {
        return std::nullopt;
    }
    const auto rows =
        m_db->query("SELECT rowid, Nome, " + bandColumns() + " FROM Fasce ORDER BY rowid LIMIT 1 OFFSET ?",
                    {position - 1});
    if (rows.empty()) {
        return std::nullopt;
    }
    const auto& row = rows.front();
    Stored stored;
    stored.key = row[0].toInt();
    stored.record.name = row[1].toString();
    for (std::size_t i = 0; i < BandTimes::TimeCount; ++i) {
        stored.record.band.times[i] = row[2 + i].toString();
    }
    for (std::size_t d = 0; d < BandTimes::Days; ++d) {
        stored.record.band.days[d] = row[2 + BandTimes::TimeCount + d].toBool();
    }
    return stored;
}

std::string BandStore::dayProblemText(int day) {
    return std::string("Controllare il giorno ") + DayNames[day] + ".";
}

bool BandStore::validate(const BandRecord& record, std::optional<std::int64_t> editingKey, Operator& op) {
    if (record.name.empty()) {
        op.message("Attenzione", NoNameText, MsgIcon::Exclamation);
        return false;
    }
    const std::string name = trim(record.name);
    const bool taken = !m_db->query("SELECT 1 FROM Fasce WHERE trim(Nome) = ? AND rowid IS NOT ? LIMIT 1",
                                    {name, editingKey ? Value(*editingKey) : Value()})
                            .empty();
    if (name.empty() || taken) {
        op.message("Attenzione", NameTakenText, MsgIcon::Exclamation);
        return false;
    }
    const auto& times = record.band.times;
    for (int day = 0; day < BandTimes::Days; ++day) {
        bool dayOk = true;
        for (int slot = 0; slot < BandTimes::TimesPerDay; ++slot) {
            // Every box is checked, so each wrong one shows its own message.
            dayOk = TimeChecks::checkTime(times[static_cast<std::size_t>(day * 4 + slot)], op) && dayOk;
        }
        if (!dayOk) {
            op.message("Attenzione", dayProblemText(day), MsgIcon::Exclamation);
            return false;
        }
    }
    for (int day = 0; day < BandTimes::Days; ++day) {
        const auto at = [&](int slot) -> const std::string& {
            return times[static_cast<std::size_t>(day * 4 + slot)];
        };
        const bool secondOk = TimeChecks::checkInterval(at(2), at(3), op);
        const bool firstOk = TimeChecks::checkInterval(at(0), at(1), op);
        if (!secondOk || !firstOk) {
            op.message("Attenzione", dayProblemText(day), MsgIcon::Exclamation);
            return false;
        }
    }
    return true;
}

std::int64_t BandStore::save(const BandRecord& record, std::optional<std::int64_t> key) {
    Transaction transaction(*m_db);
    const AuditLog::Fields before = key ? AuditLog::rowFields(*m_db, "Fasce", *key) : AuditLog::Fields{};
    std::vector<Value> params = bandValues(record.band);
    params.insert(params.begin(), Value(record.name));
    std::int64_t written = 0;
    if (key) {
        params.emplace_back(*key);
        if (m_db->execute("UPDATE Fasce SET Nome = ?, " + bandAssignments() + " WHERE rowid = ?", params) !=
            1) {
            throw DatabaseError("La fascia oraria non esiste più.");
        }
        written = *key;
    } else {
        std::string placeholders;
        for (std::size_t i = 0; i < params.size(); ++i) {
            placeholders += "?, ";
        }
        m_db->execute(
            "INSERT INTO Fasce (Nome, " + bandColumns() + ", Quanti) VALUES (" + placeholders + "0)", params);
        written = m_db->lastInsertRowid();
    }
    std::vector<Value> copy = bandValues(record.band);
    copy.emplace_back(trim(record.name));
    m_db->execute("UPDATE Carte SET " + bandAssignments() + " WHERE trim(NomeFascia) = ?", copy);
    const auto [was, is] = AuditLog::difference(before, AuditLog::rowFields(*m_db, "Fasce", written));
    AuditLog::write(
        *m_db, {m_window, key ? "Fascia modificata" : "Fascia creata", std::to_string(written), was, is});
    transaction.commit();
    return written;
}

std::int64_t BandStore::usersOf(std::int64_t key) {
    return m_db
        ->query("SELECT count(*) FROM Carte WHERE trim(NomeFascia) = "
                "(SELECT trim(Nome) FROM Fasce WHERE rowid = ?) AND trim(NomeFascia) <> ''",
                {key})
        .at(0)
        .at(0)
        .toInt();
}

std::int64_t BandStore::remove(std::int64_t key) {
    Transaction transaction(*m_db);
    const auto stored = m_db->query("SELECT Nome FROM Fasce WHERE rowid = ?", {key});
    if (stored.empty()) {
        throw DatabaseError("La fascia oraria non esiste più.");
    }
    const std::string name = trim(stored.front().at(0).toString());
    const AuditLog::Fields before = AuditLog::rowFields(*m_db, "Fasce", key);
    m_db->execute("DELETE FROM Fasce WHERE rowid = ?", {key});
    std::int64_t reset = 0;
    // A band stored with a blank name would otherwise catch every user without a band.
    if (!name.empty()) {
        std::vector<Value> params = bandValues(BandTimes::unset());
        params.emplace_back(name);
        reset = m_db->execute(
            "UPDATE Carte SET " + bandAssignments() + ", NomeFascia = '' WHERE trim(NomeFascia) = ?", params);
    }
    AuditLog::write(*m_db, {m_window, "Fascia eliminata", std::to_string(key), AuditLog::text(before), ""});
    transaction.commit();
    return reset;
}

} // namespace sentinex
