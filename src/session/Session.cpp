#include "Session.hpp"

#include "ExitConfirmation.hpp"
#include "LastRecordTime.hpp"
#include "PollingResume.hpp"

#include "backup/BackupFolder.hpp"
#include "backup/BackupRun.hpp"
#include "backup/BackupSchedule.hpp"
#include "backup/Restore.hpp"
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "history/HistoryIndexes.hpp"
#include "history/report/UsersListCheck.hpp"
#include "inspection/RandomInspection.hpp"
#include "link/Link.hpp"
#include "masterdata/ProgramAllCards.hpp"
#include "online/AntiPassbackReset.hpp"
#include "online/PendingJournal.hpp"
#include "online/PollingStep.hpp"
#include "online/StatusLine.hpp"
#include "readers/OutputSchedule.hpp"
#include "readers/ReaderOps.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Schema.hpp"

namespace sentinex {

namespace {

ProgramFolder folderOf(const std::string& dir) {
    return dir.empty() ? ProgramFolder::ofExecutable() : ProgramFolder(dir);
}

} // namespace

int Session::exitCode(Start start) {
    switch (start) {
    case Start::AlreadyRunning:
        return ExitAlreadyRunning;
    case Start::LockUnusable:
        return ExitLockUnusable;
    case Start::NoDatabase:
        return ExitDatabase;
    case Start::Ready:
        break;
    }
    return 0;
}

Session::Session(std::string programFolder, Operator& op, Clock& clock, EventPump& pump, ReaderBus* bus)
    : m_folder(folderOf(programFolder)), m_op(op), m_clock(clock), m_pump(pump), m_bus(bus),
      m_runState(m_folder.file(RunStateFile::FileName)), m_settingsFile(m_folder.settings()),
      m_backupSchedule(std::make_unique<BackupSchedule>()) {}

Session::~Session() {
    // The step, the inspection and the link hold references to the database and the settings: they go
    // first.
    m_dailyBackup.reset();
    m_inspection.reset();
    m_downloadJournal.reset();
    m_step.reset();
    m_ownBus.reset();
}

Session::Start Session::start(OnlineView& view) {
    // Two copies on one installation would share the serial port and every file.
    switch (m_lock.acquire(m_folder.file("Sentinex.lock"))) {
    case InstanceLock::Result::Taken:
        m_op.message("Attenzione", "Sentinex è già in esecuzione in questa cartella.", MsgIcon::Exclamation);
        return Start::AlreadyRunning;
    case InstanceLock::Result::Unusable:
        m_op.message("Errore", LockUnusableMessage, MsgIcon::Critical);
        return Start::LockUnusable;
    case InstanceLock::Result::Acquired:
    case InstanceLock::Result::Unguarded:
        break;
    }
    completePendingRestore();
    try {
        openDatabase();
    } catch (const DatabaseError& e) {
        m_op.message("Errore", e.what(), MsgIcon::Critical);
        return Start::NoDatabase;
    }
    m_settings = m_settingsFile.loadAll();

    // From here on a failing step is left undone and start-up goes on.
    if (!m_bus) {
        auto link = std::make_unique<Link>(m_settings, m_folder.settings(), m_clock, m_pump, m_op);
        // A port that does not open has been reported by the link; exchanges then find no reader.
        link->openPort();
        m_bus = link.get();
        m_ownBus = std::move(link);
    }
    m_step = std::make_unique<PollingStep>(PollingStep::Environment{
        m_state, m_settings, m_settingsFile, m_folder.dir(), *m_db, *m_bus, m_clock, m_pump, m_op, view, {}});

    if (!m_restoreNote.empty()) {
        std::string note = m_restoreNote;
        if (m_restoreDone) {
            // Recorded in the restored file: the record of the replaced one is kept aside with it.
            try {
                AuditLog::write(*m_db, {"FrmRipristino", "Archivio ripristinato", "", "", m_restoreNote});
            } catch (const DatabaseError& e) {
                note += " Registro operazioni non aggiornato: " + std::string(e.what());
            }
        }
        m_step->status().setBackupNote(note);
    }
    // What a previous run could not store goes in first, before any newer record.
    m_step->storeWaitingRecords();
    // Downloaded transits a previous run could not store, likewise.
    m_downloadJournal = std::make_unique<PendingJournal>(*m_db, m_folder.file(DownloadJournalFile));
    m_downloadJournal->replay();

    m_state.pollingOn = false;
    m_state.outputOn = false;
    m_state.animationFrame = 0;
    m_state.currentReader = 1;
    resumeSwitches();

    try {
        loadReaderList();
    } catch (const DatabaseError&) {
        // The file passed the check of its tables a moment ago; an engine error on `Lettori` now leaves
        // the list empty, as start-up does with every failing step after the settings. Polling then
        // has no reader to serve and the reader configuration shows the table as it is.
    }
    // After the reader list: whether the presence table is in use depends on the readers' directions.
    checkPresenceCounter();

    // The random inspection's start-up draw (when "Imparziale" is on), before the inspection clock
    // (`Timer3`) starts; it shows its own messages and never stops the start-up.
    m_inspection = std::make_unique<RandomInspection>(*m_db, m_settings, m_op, m_clock);
    m_inspection->runAtStartUp();

    resetReportDatabase();
    return Start::Ready;
}

void Session::openDatabase() {
    const std::string path = m_folder.database();
    m_db = Database::open(path);
    try {
        // A damaged file often opens and fails only at its first read.
        Schema::requireMain(*m_db);
        // The program runs for months and transiti only grows: a page cache of 512 KB (SQLite's
        // default is 2 MB) fills within minutes and then keeps the memory flat; the lookups of a card
        // read a few index pages, which the system's file cache holds anyway.
        m_db->executeScript("PRAGMA cache_size=-512");
    } catch (const DatabaseError& e) {
        m_db.reset();
        throw DatabaseError(Database::unusableFileMessage(path, e.what()));
    }
    try {
        Schema::requireKnownVersion(*m_db, path);
    } catch (const DatabaseError&) {
        m_db.reset();
        throw;
    }
    try {
        Schema::addMissingIndexes(*m_db);
        HistoryIndexes::ensure(*m_db);
    } catch (const DatabaseError&) {
        // An older file whose indexes cannot be added (read-only, busy) still works, only slower.
    }
}

void Session::checkPresenceCounter() {
    try {
        const auto rows = m_db->query("SELECT count(*) FROM presenti");
        const long long inside = rows.empty() || rows.front().empty() ? 0 : rows.front().front().toInt();
        if (inside == m_settings.Utenti) {
            return;
        }
        bool inUse = false;
        for (int i = 0; i < m_state.readers.count(); ++i) {
            inUse = inUse || m_state.readers.entry(i).direction != 2;
        }
        const std::string both = "(" + std::to_string(m_settings.Utenti) +
                                 ") non corrisponde alle persone registrate come presenti (" +
                                 std::to_string(inside) + ")";
        if (!inUse) {
            m_step->status().setCounterProblem("Il contatore delle presenze " + both +
                                               ": l'azzeramento dell'antipass-back li riallinea.");
            return;
        }
        // A kill between the commit of a passage and the rewrite of "Utenti" leaves the counter behind
        // the table, which is stored first and is what anti-passback reads: the table is right.
        const auto healed = static_cast<std::int32_t>(inside);
        const std::string before = std::to_string(m_settings.Utenti);
        m_settings.Utenti = healed;
        if (m_settingsFile.writeUtenti(healed)) {
            m_step->status().setStartUpNote("Contatore delle presenze riallineato all'avvio: da " + before +
                                            " a " + std::to_string(inside) +
                                            ", le persone registrate come presenti.");
        } else {
            m_step->status().setCounterProblem("Contatore delle presenze riallineato all'avvio (da " +
                                               before + " a " + std::to_string(inside) +
                                               "), ma impossibile scriverlo in Sentinex.ini.");
        }
    } catch (const DatabaseError&) {
        // Only a check: the first card that needs `presenti` reports a table that cannot be read.
    }
}

void Session::resumeSwitches() {
    const Switches resumed = PollingResume::atStartUp(m_settings.RiprendiPolling, m_runState.unfinishedRun());
    m_state.pollingOn = resumed.polling;
    m_state.outputOn = resumed.output;
    if (resumed.any()) {
        // After the waiting records went in: the newest record is the last one the program stored.
        m_step->status().setResumeNote(PollingResume::note(
            resumed, LastRecordTime::find(*m_db, m_settings.StoricoEsterno, m_folder.textHistory())));
    }
    // From now on the file describes this run; a failed write only loses the resume of a later crash.
    m_runState.recordRunning(resumed);
}

void Session::switchesChanged() {
    m_runState.recordRunning({m_state.pollingOn, m_state.outputOn});
}

bool Session::confirmExit() {
    return ExitConfirmation::confirm({m_state.pollingOn, m_state.outputOn}, m_folder, m_op);
}

void Session::endedOnPurpose() {
    m_runState.recordCleanExit();
}

void Session::resetReportDatabase() {
    // The reports start from the empty schema copy every time, swapped in whole with any leftover
    // journal of the old file removed. Without the copy, or when the swap fails, the file stays.
    const std::string report = m_folder.reportDatabase();
    Database::replaceWithCopy(report + ".schema", report);
}

void Session::loadReaderList() {
    if (!m_db) {
        throw DatabaseError("Nessun database aperto: impossibile leggere i lettori.");
    }
    ReaderStore store(m_db);
    const ReaderList::LoadResult r = m_state.readers.load(store);
    if (r.truncated && !m_warnedTooManyReaders) {
        m_warnedTooManyReaders = true;
        m_op.message(
            "Attenzione",
            "La tabella dei lettori contiene più di 64 lettori: sono stati caricati solo i primi 64.",
            MsgIcon::Exclamation);
    }
    if (m_state.currentReader > m_state.readers.count()) {
        m_state.currentReader = 1;
    }
    if (m_step) {
        m_step->readersReloaded(); // a deleted reader is no longer named on the status line
    }
}

int Session::pollingIntervalMs() const {
    return pollingInterval(m_settings.Polling, m_state.readers.count());
}

bool Session::usersListPrintable() {
    return m_db && UsersListCheck::mayPrint(op(), *m_db);
}

std::shared_ptr<Database> Session::openReportDatabase() {
    const std::string path = m_folder.reportDatabase();
    try {
        return Database::open(path, false);
    } catch (const DatabaseError& error) {
        m_op.message("Errore", Database::unusableFileMessage(path, error.what()), MsgIcon::Critical);
        return nullptr;
    }
}

void Session::storeWaitingRecords() {
    if (m_step) {
        m_step->storeWaitingRecords();
    }
    if (m_downloadJournal) {
        m_downloadJournal->replay();
    }
}

bool Session::resetAntiPassback() {
    if (!m_db) {
        return false; // no session database: nothing to reset (the start-up has said why)
    }
    AntiPassbackReset reset(*m_db, m_settings, m_settingsFile, m_op);
    if (reset.run() != AntiPassbackReset::Outcome::Done) {
        return false;
    }
    if (m_step) {
        // A counter that could not be saved, or disagreed with `presenti`, is settled now.
        m_step->status().clearCounterProblem();
        m_step->dropWaitingPresence();
    }
    return true;
}

void Session::programAllCards(const std::function<void(bool)>& enableForm) {
    if (!m_db || !m_bus) {
        return; // no session database or bus: nothing to program (the start-up has said why)
    }
    std::vector<ProgramAllCards::Card> cards;
    try {
        cards = ProgramAllCards::loadCards(*m_db);
    } catch (const DatabaseError& error) {
        m_op.message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    if (!ProgramAllCards::mayStart(cards.size(), m_state.readers.count(), m_state.pollingOn, m_state.outputOn,
                                   m_op)) {
        return;
    }
    enableForm(false);
    const ProgramAllCards::Outcome outcome =
        ProgramAllCards::run(m_state.readers, *m_bus, m_op, m_clock, m_pump, m_settings.QuattroCifre, cards);
    enableForm(true);
    std::string note = "Upload carte " + std::string(outcome.done ? "completato" : "interrotto") + ": " +
                       std::to_string(outcome.commandsSent) + " comandi accettati dai lettori";
    if (!outcome.skipped.empty()) {
        note += ", " + std::to_string(outcome.skipped.size()) + " carte escluse (tre cifre)";
    }
    noteRun(note);
}

TransitDownload::Outcome Session::downloadTransits(const std::vector<int>& positions, DownloadSink* sink) {
    if (!m_db || !m_bus) {
        // No session to download into (the start-up has said why): nothing was done.
        return {TransitDownload::Result::CommunicationError, 0, 0};
    }
    TransitDownload run({*m_db, m_state.readers, *m_bus, m_op, m_clock, m_pump, sink});
    const TransitDownload::Outcome outcome =
        run.run(positions, m_settings.QuattroCifre, m_settings.CancellaStorico);
    std::string note =
        "DownLoad storico " +
        std::string(outcome.result == TransitDownload::Result::Done ? "completato" : "interrotto") + ": " +
        std::to_string(outcome.stored) + " transiti registrati da " + std::to_string(positions.size()) +
        (positions.size() == 1 ? " lettore" : " lettori");
    if (outcome.kept > 0) {
        note += ", " + std::to_string(outcome.kept) + " in attesa di registrazione";
    }
    noteRun(note);
    return outcome;
}

void Session::noteRun(const std::string& text) {
    if (m_step) {
        m_step->status().setRunNote(text);
    }
}

int Session::presenceRemoved(int removed) {
    if (m_step) {
        m_step->presenceRemoved(removed);
    }
    return m_settings.Utenti;
}

void Session::setReaderOutputs(int value) {
    if (m_bus) {
        ReaderOps::setOutputs(*m_bus, m_state.readers, static_cast<std::int16_t>(value));
    }
}

void Session::unlockReader(int index0) {
    if (!m_bus || index0 < 0 || index0 >= m_state.readers.count()) {
        return;
    }
    // The door first: a database that cannot take the row must not keep it shut. The row follows at
    // once, naming the reader as the list knew it when the command was built.
    ReaderOps::unlockReader(*m_bus, m_state.readers, index0, m_settings);
    if (m_db) {
        const ReaderEntry& e = m_state.readers.entry(index0);
        AuditLog::write(*m_db, {"FrmMain", "Sblocco manuale", std::to_string(index0 + 1), "",
                                "Lettore=" + std::to_string(index0 + 1) + "\nSituatoPresso=" + e.location +
                                    "\nNumeroLoop=" + std::to_string(e.loop) +
                                    "\nNumeroIndirizzo=" + std::to_string(e.address)});
    }
}

std::optional<int> Session::scheduledOutput() const {
    return OutputSchedule::decideFile(m_folder.schedule(), m_clock.now());
}

} // namespace sentinex

namespace sentinex {

void Session::completePendingRestore() {
    const Restore::Outcome outcome = Restore::completePending(m_folder.dir());
    if (!outcome.requested) {
        return;
    }
    m_restoreNote = outcome.message;
    m_restoreDone = outcome.done;
    m_op.message(outcome.done ? "Messaggio" : "Errore", outcome.message,
                 outcome.done ? MsgIcon::Information : MsgIcon::Critical);
}

std::string Session::backupRoot() const {
    return BackupFolder::root(m_folder.dir(), m_settings.CartellaBackup);
}

std::string Session::concludeBackup(const BackupRun& run, bool daily) {
    const std::string what =
        std::string(daily ? "Backup automatico" : "Backup") + " del " + BackupFolder::label(run.name());
    std::string note;
    if (run.state() == BackupRun::State::Done) {
        BackupFolder::prune(backupRoot(), m_settings.CopieBackup);
        note = what + " eseguito in " + run.folder();
        try {
            AuditLog::write(*m_db, {daily ? "FrmMain" : "FrmFunzAgg",
                                    daily ? "Backup automatico" : "Backup archivio", run.name(), "",
                                    "Cartella=" + run.folder()});
        } catch (const DatabaseError& e) {
            // The copy stands; only its row is missing, and the status line says so.
            note += ". Registro operazioni non aggiornato: " + std::string(e.what());
        }
    } else {
        note = what + " non riuscito. " + run.failure();
    }
    if (m_step) {
        m_step->status().setBackupNote(note);
    }
    return note;
}

void Session::backupNow() {
    if (!m_db || !m_step) {
        return; // no session database to copy (the start-up has said why)
    }
    if (m_dailyBackup) {
        m_op.message("Messaggio", "Backup automatico in corso: riprovare tra qualche minuto.",
                     MsgIcon::Information);
        return;
    }
    // Started between two polling steps, never inside one, so a step keeps its reader's pace.
    m_step->afterStep([this] {
        BackupRun run(*m_db, m_folder.dir(), backupRoot(), m_clock.now());
        {
            struct OnDemand {
                bool& flag;
                ~OnDemand() { flag = false; }
            } onDemand{m_backupOnDemand = true};
            WaitScope wait(m_op);
            run.runToEnd([this, &run] {
                m_op.waitProgress("Backup archivio: " + std::to_string(run.percent()) + "%");
                m_pump.processEvents();
                if (run.state() == BackupRun::State::Checking) {
                    m_clock.pause(20, m_pump); // the check runs on a thread of its own
                }
            });
        }
        concludeBackup(run, false);
        if (run.state() == BackupRun::State::Done) {
            m_op.message("Messaggio", "Backup eseguito nella cartella " + run.folder() + ".",
                         MsgIcon::Information);
        } else {
            m_op.message("Errore", run.failure(), MsgIcon::Critical);
        }
    });
}

void Session::backupTick() {
    if (!m_db || !m_step || m_step->inProgress() || m_backupOnDemand) {
        return; // a slice never runs inside a polling step, nor beside a backup on demand
    }
    if (!m_dailyBackup) {
        const DateTime now = m_clock.now();
        const std::string root = backupRoot();
        bool madeToday = false;
        const auto doneToday = [&] {
            const std::vector<std::string> names = BackupFolder::list(root);
            madeToday = !names.empty() && names.front().substr(0, 8) == BackupFolder::name(now).substr(0, 8);
            return madeToday;
        };
        if (!m_backupSchedule->due(now, m_settings.OraBackup, doneToday)) {
            if (madeToday) {
                m_backupSchedule->started(now); // the folder is not looked at again today
            }
            return;
        }
        m_backupSchedule->started(now);
        m_dailyBackup = std::make_unique<BackupRun>(*m_db, m_folder.dir(), root, now);
    }
    if (m_dailyBackup->advance()) {
        concludeBackup(*m_dailyBackup, true);
        m_dailyBackup.reset();
    }
}

} // namespace sentinex
