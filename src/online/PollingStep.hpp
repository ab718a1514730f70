#pragma once

#include "AccessDecision.hpp"
#include "CardLookup.hpp"
#include "EntryLimit.hpp"
#include "HolidayCalendar.hpp"
#include "PendingJournal.hpp"
#include "PresenceTable.hpp"
#include "Refusal.hpp"
#include "StatusLine.hpp"
#include "StoreFailureNotice.hpp"
#include "TransitLog.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sentinex {

class AppState;
class Clock;
class Database;
class EventPump;
class OnlineView;
class Operator;
class ReaderBus;
class SettingsFile;
struct Settings;
struct StepContext;

/// One polling step of the online access control: poll one reader, and when it reports a card, decode
/// it, look it up, decide, answer the reader, show and record the outcome.
///
/// The session builds one PollingStep once the database, the settings and the bus are there; the main
/// window calls `run(state.currentReader)` from each `Timer1` tick while polling is on, then advances
/// the reader. Steps never overlap: a step started while another is in progress (a tick that runs
/// inside the events a step lets through) returns at once.
class PollingStep {
public:
    static constexpr const char* MissingCardFileMessage =
        "Il file dove ricercare le carte per i lettori Vireo non esiste. Il polling sarà bloccato.";

    /// What the online access control works with. The step hands each of its parts only what that
    /// part uses. Every reference must outlive the step.
    struct Environment {
        AppState& state;                  // reader list, polling switch, step flag
        Settings& settings;               // "QuattroCifre", "FileVireo", "Imparziale", "Beep", ...
        const SettingsFile& settingsFile; // where "Utenti" is written on every change
        std::string programFolder;        // card files and "Storico.txt"
        Database& db;                     // `Carte`, `transiti`, `presenti`, read and written live
        ReaderBus& bus;
        Clock& clock;
        EventPump& pump;
        Operator& op;
        OnlineView& view;
        EntryLimitSource entryLimit; // empty: the saved values of `settings`
    };

    explicit PollingStep(Environment env);
    PollingStep(const PollingStep&) = delete;
    PollingStep& operator=(const PollingStep&) = delete;

    /// Serves reader `readerIndex` (1-based). Does nothing when polling is off, there are no readers,
    /// the index is out of range, or another step is in progress. Never throws: a record-store failure
    /// is shown once through the operator and the next step goes on.
    void run(int readerIndex);

    /// True from the start to the end of `run` (mirrored in AppState::stepInProgress).
    bool inProgress() const { return m_running; }
    /// True while a step holds a card the reader has reported and its outcome is not yet recorded.
    /// Quitting then would lose the record (and may leave a reader's door open unlogged).
    bool recordPending() const { return m_recordPending; }
    /// Runs `action` now when no step is in progress; otherwise right after the running step has
    /// finished and recorded everything. Use it for "Uscita dal programma" and closing the window.
    void afterStep(std::function<void()> action);

    /// Where the decision reads the entry limit from now on (the settings dialog's fields while it is
    /// open); empty: the saved values of the settings.
    void setEntryLimitSource(EntryLimitSource source) { m_env.entryLimit = std::move(source); }

    /// The holiday calendar has changed (the holidays form saved or deleted): the next card reads it.
    void holidaysChanged() { m_holidays.changed(); }

    /// What the main window's status line says.
    StatusLine& status() { return m_status; }
    /// What the status line says of the "Polling" setting while polling is on with a timer interval of
    /// `intervalMs` (one reader per tick): why nothing is polled (an interval of 0: the setting is 0,
    /// negative or not a number), or that a reader is asked less than once a minute; empty otherwise.
    static std::string pollingSettingNote(std::int64_t pollingSetting, int intervalMs);
    /// Stores what waits in the journal (at start-up, before any newer record); says on the status line
    /// what still waits.
    void storeWaitingRecords();
    /// The reader list has been reloaded: what the status line says of readers by index is forgotten
    /// (a deleted reader is not named any more) and the counts start again.
    void readersReloaded();
    /// The anti-passback reset emptied `presenti`: presence records still waiting are dropped.
    /// `removed` persons left `presenti` with their user's deletion: the presence counter follows.
    void presenceRemoved(int removed) { m_presence.countRemoved(removed); }
    void dropWaitingPresence();
    /// The journal of the records the database refused: "Sentinex.pending" in the program folder.
    static constexpr const char* JournalFile = "Sentinex.pending";
    /// The "store failed" notice (on the status line until a later success).
    const StoreFailureNotice& storeNotice() const { return m_notice; }

    /// Consecutive polls without a valid reply (or answered with an error code) after which a reader is
    /// named on the status line, and passes over the whole list without any reply after which the line is.
    static constexpr int SilentPolls = 3;

private:
    void serve(int readerIndex);
    void decodeAndDecide(StepContext& ctx);
    void refuseUnknown(const StepContext& ctx, int code, const std::string& message,
                       const std::string& badge = {});
    void stopPolling();
    void noteReply(const StepContext& ctx);
    void refuseUnreadableCards(const StepContext& ctx);

    Environment m_env;
    StatusLine m_status;
    StoreFailureNotice m_notice;
    PendingJournal m_journal;
    TransitLog m_log;
    PresenceTable m_presence;
    Refusal m_refusal;
    HolidayCalendar m_holidays;
    AccessDecision m_decision;
    CardLookup m_cards;
    std::vector<int> m_silentPolls; // per reader index - 1: polls in a row without a valid reply
    std::vector<int> m_errorPolls;  // per reader index - 1: polls in a row answered with an error code
    int m_pollsSinceAnyReply = 0;
    double m_lastReplayTry = -1e9;
    bool m_running = false;
    bool m_recordPending = false;
    std::vector<std::function<void()>> m_after;
};

} // namespace sentinex
