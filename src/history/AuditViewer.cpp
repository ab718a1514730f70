#include "AuditViewer.hpp"

#include "CalendarDate.hpp"
#include "CsvWriter.hpp"
#include "DayPeriod.hpp"

#include "core/Operator.hpp"
#include "store/Database.hpp"

#include <optional>
#include <stdexcept>

namespace sentinex {

namespace {

/// An empty box is an open end; anything else must read as a date.
bool readBound(const std::string& text, std::optional<CalendarDate>& bound) {
    if (text.find_first_not_of(' ') == std::string::npos) {
        bound.reset();
        return true;
    }
    bound = CalendarDate::parse(text);
    return bound.has_value();
}

} // namespace

const std::vector<std::string>& AuditViewer::captions() {
    static const std::vector<std::string> names = {"Quando", "Utente", "Finestra", "Azione",
                                                   "Chiave", "Prima",  "Dopo"};
    return names;
}

AuditViewer::AuditViewer(std::shared_ptr<Database> db, Operator& op) : m_db(std::move(db)), m_op(op) {}

bool AuditViewer::apply(const std::string& fromText, const std::string& toText, const std::string& window) {
    std::optional<CalendarDate> from;
    std::optional<CalendarDate> to;
    if (!readBound(fromText, from)) {
        m_op.message("Attenzione", DayPeriod::kBadStart, MsgIcon::Exclamation);
        return false;
    }
    if (!readBound(toText, to)) {
        m_op.message("Attenzione", DayPeriod::kBadEnd, MsgIcon::Exclamation);
        return false;
    }
    if (from && to && to->daySerial() < from->daySerial()) {
        m_op.message("Attenzione", DayPeriod::kEndBeforeStart, MsgIcon::Exclamation);
        return false;
    }
    const std::string chosen = window == AllWindows ? std::string() : window;
    try {
        // The times are day numbers with the time of day as the fraction: the end day counts whole.
        const auto found = m_db->query(
            "SELECT Quando, Utente, Finestra, Azione, Chiave, Prima, Dopo FROM Registro "
            "WHERE (?1 IS NULL OR CDATE(Quando) >= ?1) AND (?2 IS NULL OR CDATE(Quando) < ?2 + 1) "
            "AND (?3 = '' OR Finestra = ?3) ORDER BY CDATE(Quando) DESC, rowid DESC",
            {from ? Value(static_cast<long long>(from->daySerial())) : Value(),
             to ? Value(static_cast<long long>(to->daySerial())) : Value(), chosen});
        std::vector<AuditRow> rows;
        rows.reserve(found.size());
        for (const auto& r : found) {
            rows.push_back({r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString(),
                            r[4].toString(), r[5].toString(), r[6].toString()});
        }
        m_rows = std::move(rows);
        return true;
    } catch (const DatabaseError& e) {
        m_op.message("Errore", std::string(DatabaseError::ShownPrefix) + e.what(), MsgIcon::Critical);
        return false;
    }
}

std::vector<std::string> AuditViewer::windows() {
    std::vector<std::string> names = {AllWindows};
    try {
        for (const auto& row : m_db->query("SELECT DISTINCT Finestra FROM Registro ORDER BY Finestra")) {
            names.push_back(row.at(0).toString());
        }
    } catch (const DatabaseError& e) {
        m_op.message("Errore", std::string(DatabaseError::ShownPrefix) + e.what(), MsgIcon::Critical);
    }
    return names;
}

bool AuditViewer::exportCsv(const std::string& path) {
    try {
        CsvWriter csv(path);
        csv.writeRecord(captions());
        for (const AuditRow& r : m_rows) {
            csv.writeRecord({r.when, r.user, r.window, r.action, r.key, r.before, r.after});
        }
        csv.close();
        return true;
    } catch (const std::runtime_error& e) {
        // The CSV writer's own Italian text, naming the file it could not create or write.
        m_op.message("Errore", e.what(), MsgIcon::Critical);
        return false;
    }
}

} // namespace sentinex
