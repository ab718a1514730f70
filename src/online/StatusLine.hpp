#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace sentinex {

class OnlineView;

/// What the main window's status line says about the online access control: a record that could not
/// be stored, readers that do not answer, a line where nobody answers. Each condition is set and cleared
/// on its own; the view is told only when the whole text changes. Nothing here stops or waits.
class StatusLine {
public:
    explicit StatusLine(OnlineView& view) : m_view(view) {}

    /// The store refused a record (or a read): `text` says what and why, until `clearStoreFailure`.
    void setStoreFailure(const std::string& text);
    void clearStoreFailure();
    /// The presence counter could not be saved, or disagrees with `presenti` (`text` says which), until
    /// `clearCounterProblem`.
    void setCounterProblem(const std::string& text);
    void clearCounterProblem();
    /// `count` records wait to be stored; `onDisk` false when some are held only in memory.
    void setWaiting(std::size_t count, bool onDisk);
    /// The room kept aside for records waiting on a full disk is spent (or could not be made).
    void setReserveLow(bool low);
    /// Reader `readerIndex` (1-based) does not answer (`text` names it), or answers again.
    void setSilentReader(int readerIndex, const std::string& text);
    void clearSilentReader(int readerIndex);
    /// No reader of the list has answered for some passes, or one has answered again.
    void setLineSilent(bool silent);
    /// The reader list was reloaded: what was said of readers by their index no longer holds (a reader
    /// may be gone, or another may now stand at its index).
    void forgetReaders();
    /// `Carte` could not be read at the last lookup (cards are refused meanwhile), or could again.
    void setCardsUnreadable(bool unreadable);
    /// Grants whose reader did not confirm them (recorded as such) since the program started.
    void setUnconfirmedGrants(int count);
    /// Why polling that is switched on does not poll (or polls very rarely); empty: it polls.
    void setPollingNote(const std::string& text);
    /// What start-up did about the presence counter (or a journal line it set aside): `text` stays
    /// until replaced.
    void setStartUpNote(const std::string& text);
    /// The switches came back on after an unexpected end (`text` says so and since when records may be
    /// missing); stays until replaced.
    void setResumeNote(const std::string& text);
    /// What the last run with the readers did, with its counts (the end-of-run box says only whether it
    /// went well): `text` stays until the next run.
    void setRunNote(const std::string& text);
    /// What the last backup or restore did (a daily backup that failed, with why): `text` stays until
    /// the next one.
    void setBackupNote(const std::string& text);

    /// The whole text as shown: one condition per line: the card table, the store, what waits, grants not
    /// confirmed, the counter, start-up notes, the resumed switches, the last run, the last backup, polling,
    /// then readers.
    std::string text() const;

    static constexpr const char* LineSilentText = "Linea seriale muta: nessun lettore risponde";
    static constexpr const char* CardsUnreadableText = "Archivio utenti illeggibile";
    static constexpr const char* ReserveLowText =
        "Spazio di riserva per le registrazioni in attesa esaurito: liberare spazio sul disco";

private:
    void publish();

    OnlineView& m_view;
    std::string m_store;
    std::string m_counter;
    std::string m_waiting;
    std::string m_unconfirmed;
    std::string m_polling;
    std::string m_startUp;
    std::string m_resume;
    std::string m_run;
    std::string m_backup;
    bool m_cardsUnreadable = false;
    bool m_reserveLow = false;
    std::map<int, std::string> m_silent;
    bool m_lineSilent = false;
    std::string m_shown;
};

} // namespace sentinex
