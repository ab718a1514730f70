#pragma once

#include "store/CachedStatement.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class Database;

/// A record of the online access control that waits to be stored.
struct PendingRecord {
    enum class Kind { Transit, PresenceAdd, PresenceRemove };
    Kind kind = Kind::Transit;
    /// Transit: NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio ("1"/"0"), verso, nota
    /// (the event's own date and time). Presence: the badge.
    std::vector<std::string> fields;
    std::string id; // unique across runs; set by the journal

    static PendingRecord transit(std::vector<std::string> fields);
    static PendingRecord presenceAdd(const std::string& badge);
    static PendingRecord presenceRemove(const std::string& badge);
};

/// Records the database refused (locked by another program, disk full), kept in order and stored later,
/// before any newer record, exactly once.
///
/// Waiting records are appended to a file in the program folder and synced before the call returns, so
/// a killed program finds them at its next start; when even the file cannot be written they are kept
/// in memory (and `onDisk()` says so). A replay stores every waiting record in one transaction that
/// also marks each record's id in the table `registrazioni_riprese` (created when missing), so a replay
/// cut short by a kill neither loses nor repeats a record.
class PendingJournal {
public:
    /// What became of the records handed to `store`.
    struct Outcome {
        bool stored = false; // in the database now; otherwise waiting
        int changed = 0;     // rows the last record changed when stored (a removal of nobody changes 0)
        std::string error;   // the engine's words when the database refused
    };

    /// The journal of the file at `path`, with the records a previous run left there.
    PendingJournal(Database& db, std::string path);

    /// Stores `records` together (one transaction) after every waiting record; when the database refuses
    /// them, or older records still wait, they wait too, in order. Never throws.
    Outcome store(const std::vector<PendingRecord>& records);
    /// Stores every waiting record. True when nothing waits any more. Never throws.
    bool replay();

    /// Forgets the waiting presence records (the anti-passback reset has emptied `presenti`); the waiting
    /// transits stay. Never throws.
    void dropWaitingPresence();

    /// Room kept aside next to the journal ("Sentinex.pending.riserva"), given back when the disk is
    /// full so the records the database refused still reach the disk; made again once they are stored.
    static constexpr long ReserveBytes = 256 * 1024;
    std::string reservePath() const { return m_path + ".riserva"; }
    /// True while the room is kept; `reserveLow` once it has been spent, or could not be made for lack
    /// of space.
    bool reserved() const { return m_reserved; }
    /// Makes the room kept aside again when it is not kept (given back on a full disk that the
    /// database then took, or never made): once the disk has room, the reserve is back. Never throws.
    void keepRoomAside() {
        if (!m_reserved) {
            reserveRoom();
        }
    }
    bool reserveLow() const { return m_reserveLow; }

    std::size_t waiting() const { return m_records.size(); }
    /// False while some waiting record is held only in memory (the file could not be written).
    bool onDisk() const { return m_onDisk; }
    /// What the waiting presence records say of `badge` (blanks around it not counting): inside after
    /// a waiting entrance, outside after a waiting exit; nothing when no presence record of it waits.
    std::optional<bool> waitingPresence(const std::string& badge) const;

    /// Lines of the file that did not read back whole when it was loaded: never stored, kept in
    /// `setAsidePath()`.
    std::size_t setAside() const { return m_setAside; }
    std::string setAsidePath() const { return m_path + ".scartate"; }

    /// One record as a line of the file (tab-separated, escaped, closed by a check of the line) and
    /// back; nothing for a line that does not match its check or is torn.
    static std::string encode(const PendingRecord& record);
    static std::optional<PendingRecord> decode(const std::string& line);

private:
    void keep(std::vector<PendingRecord> records);
    int apply(const PendingRecord& record);
    void load();
    static bool appendToFile(const std::string& path, const std::vector<PendingRecord>& records);
    bool rewriteFile();
    void forgetStored();
    void reserveRoom();

    Database& m_db;
    std::string m_path;
    std::vector<PendingRecord> m_records;
    bool m_onDisk = true;
    std::string m_lastError;
    std::uint64_t m_session = 0; // random, so ids never repeat across runs
    std::uint64_t m_next = 0;
    std::size_t m_setAside = 0;
    bool m_reserved = false;
    bool m_reserveLow = false;
    CachedStatement m_transit;
    CachedStatement m_presenceAdd;
    CachedStatement m_presenceRemove;
};

} // namespace sentinex
