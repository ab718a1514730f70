#include "PresenceTable.hpp"

#include "StatusLine.hpp"
#include "StoreFailureNotice.hpp"
#include "core/Numbers.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "store/Database.hpp"

#include <limits>

namespace sentinex {

PresenceTable::PresenceTable(Database& db, PendingJournal& journal, Settings& settings,
                             const SettingsFile& settingsFile, StoreFailureNotice& notice, StatusLine& status)
    : m_journal(journal), m_settings(settings), m_settingsFile(settingsFile), m_notice(notice),
      m_status(status),
      // The expression index on trim(NumeroBadge) answers this with one indexed read.
      m_find(db, "SELECT rowid FROM presenti WHERE trim(NumeroBadge) = ? ORDER BY rowid LIMIT 1") {}

void PresenceTable::setCounter(long long value) {
    const auto v = static_cast<std::int32_t>(clampTo(value, 0, std::numeric_limits<std::int32_t>::max()));
    m_settings.Utenti = v;
    // The whole value is written every time, so the next change that is written mends a failed one.
    m_counterUnsaved = !m_settingsFile.writeUtenti(v);
    if (m_counterUnsaved) {
        m_status.setCounterProblem(CounterNotSavedText);
    } else {
        m_status.clearCounterProblem();
    }
}

void PresenceTable::countRemoved(int removed) {
    if (removed > 0) {
        setCounter(static_cast<long long>(m_settings.Utenti) - removed);
    }
}

void PresenceTable::retryUnsavedCounter() {
    if (m_counterUnsaved) {
        setCounter(m_settings.Utenti);
    }
}

PresenceTable::Presence PresenceTable::lookUp(const std::string& number) {
    Presence p;
    p.badge = trim(number);
    if (m_journal.waiting() > 0) {
        if (const std::optional<bool> waiting = m_journal.waitingPresence(p.badge)) {
            p.inside = *waiting;
            return p;
        }
    }
    const auto row = m_find.firstRow({p.badge});
    p.inside = row && !row->empty();
    return p;
}

bool PresenceTable::blocks(const Presence& presence, int direction) {
    return (direction == 1 && presence.inside) || (direction == 0 && !presence.inside);
}

std::optional<PendingRecord> PresenceTable::exitRecord(const Presence& presence) {
    if (!presence.inside) {
        return std::nullopt;
    }
    return PendingRecord::presenceRemove(presence.badge);
}

void PresenceTable::countExit(const PendingJournal::Outcome& out) {
    if (out.stored) {
        m_notice.succeeded(StoreFailureNotice::Store::Presence);
    } else {
        m_notice.failed(StoreFailureNotice::Store::Presence, out.error);
    }
    // A record removed meanwhile (the presence reset) has already left the count.
    if (!out.stored || out.changed > 0) {
        setCounter(static_cast<long long>(m_settings.Utenti) - 1);
    }
}

std::optional<PendingRecord> PresenceTable::entryRecord(const std::string& number, int direction) {
    if (direction != 1) {
        return std::nullopt;
    }
    return PendingRecord::presenceAdd(number);
}

void PresenceTable::countEntry() {
    setCounter(static_cast<long long>(m_settings.Utenti) + 1);
}

} // namespace sentinex
