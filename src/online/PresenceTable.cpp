#include "PresenceTable.hpp"

#include "StatusLine.hpp"
#include "StoreFailureNotice.hpp"
#include "core/Numbers.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "store/Database.hpp"

#include <limits>

namespace sentinex {

PresenceTable::PresenceTable(Database& db, Settings& settings, const SettingsFile& settingsFile,
                             StoreFailureNotice& notice, StatusLine& status)
    : m_settings(settings), m_settingsFile(settingsFile), m_notice(notice), m_status(status),
      // The expression index on trim(NumeroBadge) answers this with one indexed read.
      m_find(db, "SELECT rowid FROM presenti WHERE trim(NumeroBadge) = ? ORDER BY rowid LIMIT 1"),
      m_remove(db, "DELETE FROM presenti WHERE rowid = ?"),
      m_add(db, "INSERT INTO presenti (NumeroBadge) VALUES (?)") {}

void PresenceTable::setCounter(long long value) {
    const auto v = static_cast<std::int32_t>(clampTo(value, 0, std::numeric_limits<std::int32_t>::max()));
    m_settings.Utenti = v;
    // The whole value is written every time, so the next change that is written mends a failed one.
    if (m_settingsFile.writeUtenti(v)) {
        m_status.clearCounterProblem();
    } else {
        m_status.setCounterProblem(CounterNotSavedText);
    }
}

PresenceTable::Presence PresenceTable::lookUp(const std::string& number) {
    const auto row = m_find.firstRow({trim(number)});
    if (!row || row->empty()) {
        return {};
    }
    return {true, row->front().toInt()};
}

bool PresenceTable::blocks(const Presence& presence, int direction) {
    return (direction == 1 && presence.inside) || (direction == 0 && !presence.inside);
}

void PresenceTable::bookExit(const Presence& presence) {
    if (!presence.inside) {
        return;
    }
    int removed = 0;
    try {
        removed = m_remove.run({Value(static_cast<long long>(presence.record))});
    } catch (const DatabaseError& e) {
        m_notice.failed(StoreFailureNotice::Store::Presence, e.what());
        return;
    }
    m_notice.succeeded(StoreFailureNotice::Store::Presence);
    // A record removed meanwhile (the presence reset) has already left the count.
    if (removed > 0) {
        setCounter(static_cast<long long>(m_settings.Utenti) - 1);
    }
}

bool PresenceTable::addEntry(const std::string& number, int direction) {
    if (direction != 1) {
        return false;
    }
    try {
        m_add.run({trim(number)});
    } catch (const DatabaseError& e) {
        m_notice.failed(StoreFailureNotice::Store::Presence, e.what());
        return false;
    }
    m_notice.succeeded(StoreFailureNotice::Store::Presence);
    return true;
}

void PresenceTable::countEntry() {
    setCounter(static_cast<long long>(m_settings.Utenti) + 1);
}

} // namespace sentinex
