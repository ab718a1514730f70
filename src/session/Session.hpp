#pragma once

#include "InstanceLock.hpp"
#include "RunStateFile.hpp"
#include "core/ProgramFolder.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "readers/AppState.hpp"
#include "readers/download/TransitDownload.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class BackupRun;
class BackupSchedule;
class Clock;
class DownloadSink;
class Database;
class EventPump;
class OnlineView;
class Operator;
class PendingJournal;
class PollingStep;
class RandomInspection;
class ReaderBus;

/// The running program: the start-up in its order, and everything it opened (instance lock, database,
/// settings, serial link, reader list and switches, the polling step), kept for as long as the program
/// runs. Windows receive the session and take from it what they use; they never reach into each other.
/// Plain C++: the seams (operator, clock, event pump) come from the caller.
class Session {
public:
    /// How the start-up ended.
    enum class Start {
        Ready,          // the main window can be shown
        AlreadyRunning, // another copy runs on this folder (the message has been shown)
        LockUnusable,   // the lock file cannot be locked, so a second copy could not be kept out
        NoDatabase,     // the database is missing or unusable (the engine's message has been shown)
    };
    /// Exit codes of a start-up that could not complete.
    static constexpr int ExitDatabase = 1;
    static constexpr int ExitAlreadyRunning = 2;
    static constexpr int ExitLockUnusable = 3;
    static constexpr const char* LockUnusableMessage =
        "Impossibile bloccare il file Sentinex.lock nella cartella del programma (esiste ma non è un file "
        "normale, ad esempio è una cartella): senza il blocco una seconda copia di Sentinex potrebbe usare "
        "la stessa porta e gli stessi archivi. Rimuovere o rinominare Sentinex.lock e riavviare.";
    static int exitCode(Start start);

    /// A session on the installation in `programFolder` (empty: the folder of the executable). `bus`,
    /// when given, is used instead of the serial link of the settings (tests, tools); it must outlive
    /// the session.
    Session(std::string programFolder, Operator& op, Clock& clock, EventPump& pump, ReaderBus* bus = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// The start-up, once: instance lock, database, settings, serial port, switches off, reader list,
    /// the start-up inspection's call point, the report database reset. Failures of the steps after the
    /// settings are shown where the system shows them and start-up goes on. `view` receives what the
    /// online access control shows; it must outlive the session.
    Start start(OnlineView& view);

    const ProgramFolder& folder() const { return m_folder; }
    Operator& op() { return m_op; }
    Clock& clock() { return m_clock; }
    EventPump& pump() { return m_pump; }
    /// The main database (null before start-up).
    const std::shared_ptr<Database>& database() const { return m_db; }
    Settings& settings() { return m_settings; }
    const SettingsFile& settingsFile() const { return m_settingsFile; }
    /// Reader list, switches, rotation.
    AppState& state() { return m_state; }
    /// The bus in use (null before start-up).
    ReaderBus* bus() const { return m_bus; }
    /// The online polling step (null before start-up).
    PollingStep* pollingStep() const { return m_step.get(); }
    /// The random inspection: its start-up run, its schedule (`Timer3`), the run on demand (null before
    /// start-up).
    RandomInspection* inspection() const { return m_inspection.get(); }
    /// Downloaded transits the database refused, waiting to be stored ("Sentinex.download.pending" in the
    /// program folder); replayed at start-up (null before start-up).
    PendingJournal* downloadJournal() const { return m_downloadJournal.get(); }
    static constexpr const char* DownloadJournalFile = "Sentinex.download.pending";

    /// Reloads the reader list from `Lettori` (at start-up, and after the readers have been changed);
    /// says once when the table holds more than 64 readers. Throws DatabaseError.
    void loadReaderList();
    /// `Timer1` interval in milliseconds for the current settings and reader count.
    int pollingIntervalMs() const;

    /// Whether "Stampa archivio utenti" has users to print; when not, the operator has been told why
    /// (no users, or `Carte` unreadable). False without a database.
    bool usersListPrintable();
    /// The report database "RepSentinex.mdb" opened for the history viewer; null, with the reason shown
    /// ("Errore"), when the file is missing or unusable.
    std::shared_ptr<Database> openReportDatabase();
    /// Online records and downloaded transits still waiting are stored now (before a history deletion,
    /// so it never misses them).
    void storeWaitingRecords();
    /// "Riazzera AntiPass-Back" with its question and messages; once done, a counter problem on the
    /// status line and presence changes still waiting are settled. True when the reset was done.
    bool resetAntiPassback();
    /// Every card of `Carte` into every reader, after the run's checks; `enableForm(false)` and
    /// `enableForm(true)` go around the run. A store error while reading the cards is shown ("Errore").
    void programAllCards(const std::function<void(bool)>& enableForm);
    /// The stored transits of the readers at `positions` (1-based) into the history, then the clearing
    /// of their memories when the settings ask for it; `sink` keeps what the database refuses.
    TransitDownload::Outcome downloadTransits(const std::vector<int>& positions, DownloadSink* sink);

    /// `removed` persons left `presenti` because their user was deleted: the presence counter follows
    /// (in memory and in the settings file) and the new value is returned.
    int presenceRemoved(int removed);

    /// The switches have changed: the run's state file follows, so an unexpected end can resume them.
    void switchesChanged();
    /// Whether the program may end on purpose now (see ExitConfirmation): at once with both switches
    /// off, otherwise after the operator's yes and, when one is set, the password.
    bool confirmExit();
    /// The program ends on purpose: the next start-up finds a clean end and resumes nothing.
    void endedOnPurpose();

    /// Sets the output of every reader of the list (1 on, 0 off), once the bus is free.
    void setReaderOutputs(int value);
    /// Unlocks reader entry `index0` (0-based) with the keypad output settings, once the bus is free, and
    /// writes its row of the operators' record ("Sblocco manuale", the reader's number and place). A
    /// row the database refuses raises DatabaseError after the unlock was asked for; an index outside
    /// the list does nothing.
    void unlockReader(int index0);
    /// What the automatic output schedule "Date.txt" says now: 1, 0, or nothing to do.
    std::optional<int> scheduledOutput() const;

    /// The folder that holds the dated backups: "Backup" under "CartellaBackup", or under the program
    /// folder when none is set.
    std::string backupRoot() const;
    /// "Backup archivio": a backup now, once no polling step is running, with its progress on the wait
    /// form; window events (the polling timer among them) run between two slices of the copy. Its end is
    /// said in a box ("Messaggio", or "Errore" with why) and on the status line; older backups beyond
    /// "CopieBackup" are removed.
    void backupNow();
    /// The daily backup, from the main window's backup timer: starts it once the time "OraBackup" has
    /// come (see BackupSchedule), then one slice per call, never inside a polling step. Its end goes to
    /// the status line only (a failure with why): nothing here opens a box or waits.
    void backupTick();
    /// True while a daily backup is under way.
    bool dailyBackupRunning() const { return m_dailyBackup != nullptr; }
    /// The program is to end and start again (after a restore has been asked of the next start-up).
    void requestRestart() { m_restartRequested = true; }
    bool restartRequested() const { return m_restartRequested; }

private:
    /// A finished backup: the copies beyond "CopieBackup" removed, the status line told. Returns the
    /// text said.
    std::string concludeBackup(const BackupRun& run, bool daily);
    /// A restore asked by the previous run is made before the database is opened.
    void completePendingRestore();
    /// The last run's counts on the status line.
    void noteRun(const std::string& text);
    void openDatabase();
    /// A presence counter that disagrees with the rows of `presenti` is set to their number when the
    /// readers use the presence table (one reader is an entrance or an exit), and said on the status
    /// line; otherwise only said.
    void checkPresenceCounter();
    void resetReportDatabase();
    /// The switches as the previous run left them when it ended unexpectedly and "RiprendiPolling" is
    /// on (off otherwise), with the status line's note; the state file then holds this run.
    void resumeSwitches();

    ProgramFolder m_folder;
    Operator& m_op;
    Clock& m_clock;
    EventPump& m_pump;
    ReaderBus* m_bus = nullptr;
    std::unique_ptr<ReaderBus> m_ownBus;

    InstanceLock m_lock;
    RunStateFile m_runState;
    std::shared_ptr<Database> m_db;
    SettingsFile m_settingsFile;
    Settings m_settings;
    AppState m_state;
    std::unique_ptr<PollingStep> m_step;
    std::unique_ptr<RandomInspection> m_inspection;
    std::unique_ptr<PendingJournal> m_downloadJournal;
    // After the database: a daily backup still under way is dropped (its folder removed) first.
    std::unique_ptr<BackupRun> m_dailyBackup;
    std::unique_ptr<BackupSchedule> m_backupSchedule;
    std::string m_restoreNote;
    bool m_restoreDone = false;
    bool m_restartRequested = false;
    bool m_backupOnDemand = false; // the daily backup waits while one on demand runs
    bool m_warnedTooManyReaders = false;
};

} // namespace sentinex
