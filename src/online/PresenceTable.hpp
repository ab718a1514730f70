#pragma once

#include "PendingJournal.hpp"
#include "store/CachedStatement.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace sentinex {

class Database;
class SettingsFile;
class StatusLine;
class StoreFailureNotice;
struct Settings;

/// Anti-passback: the table `presenti` of the persons inside and the presence counter "Utenti", which
/// is written to the settings file on every change and never goes below zero.
class PresenceTable {
public:
    /// Where a card stands: inside (with the record that says so) or not.
    struct Presence {
        std::string badge; // the card number without blanks around it
        bool inside = false;
    };

    PresenceTable(Database& db, PendingJournal& journal, Settings& settings, const SettingsFile& settingsFile,
                  StoreFailureNotice& notice, StatusLine& status);

    /// Whether card `number` is inside: a `presenti` record whose badge equals the number, blanks
    /// around either not counting, or a waiting entrance of it; a waiting exit puts it outside. Only
    /// reads; a failed read throws DatabaseError.
    Presence lookUp(const std::string& number);
    /// The anti-passback rule at a reader of direction `direction` (0 exit, 1 entrance, 2 other): an
    /// entrance of a person inside and an exit of a person outside are blocked; direction 2 never is.
    static bool blocks(const Presence& presence, int direction);

    /// The removal an exit of a person found inside stores, for the caller to store together with the
    /// record that ends the step (the passage, or the refusal that follows), last; then `countExit`.
    /// Nothing when the person is not inside.
    static std::optional<PendingRecord> exitRecord(const Presence& presence);
    /// The counter half of an exit whose removal was the last record of the store that gave `out`:
    /// one less, unless the removal found nobody (the presence reset came first).
    void countExit(const PendingJournal::Outcome& out);

    /// The record an entrance adds (direction 1 only), for the caller to store with the passage; then
    /// `countEntry` follows, whether it was stored or waits.
    static std::optional<PendingRecord> entryRecord(const std::string& number, int direction);
    /// The counter half of an entrance: one more person inside, written to the settings file. A counter
    /// the file does not take stays on the status line until a later change is written.
    void countEntry();

    /// `removed` persons taken out of `presenti` by other means than a door (a deleted user): the counter
    /// goes down by as many, written as every change is.
    void countRemoved(int removed);

    /// Writes the counter again when its last write failed (the records that waited have just been
    /// stored, or time has passed), so a restart does not find an older value.
    void retryUnsavedCounter();
    bool counterUnsaved() const { return m_counterUnsaved; }

    StoreFailureNotice& notice() { return m_notice; }

    static constexpr const char* CounterNotSavedText =
        "Impossibile scrivere il contatore delle presenze (Utenti) in Sentinex.ini: nuovo tentativo alla "
        "prossima variazione.";

private:
    void setCounter(long long value);

    PendingJournal& m_journal;
    Settings& m_settings;
    const SettingsFile& m_settingsFile;
    StoreFailureNotice& m_notice;
    StatusLine& m_status;
    CachedStatement m_find;
    bool m_counterUnsaved = false;
};

} // namespace sentinex
