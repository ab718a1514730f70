#include "PendingJournal.hpp"

#include "core/Numbers.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <unistd.h>

namespace sentinex {

namespace {

// While records wait, the online path does not wait long for a lock held elsewhere: what the database
// refuses now is kept and stored at the next write, and the polling goes on meanwhile.
constexpr int OnlineBusyTimeoutMs = 250;

/// The connection's lock wait shortened for the life of the object.
class ShortBusyWait {
public:
    explicit ShortBusyWait(Database& db) : m_db(db) { m_db.setBusyTimeout(OnlineBusyTimeoutMs); }
    ~ShortBusyWait() { m_db.setBusyTimeout(Database::DefaultBusyTimeoutMs); }
    ShortBusyWait(const ShortBusyWait&) = delete;
    ShortBusyWait& operator=(const ShortBusyWait&) = delete;

private:
    Database& m_db;
};

const char* kindName(PendingRecord::Kind kind) {
    switch (kind) {
    case PendingRecord::Kind::PresenceAdd:
        return "entrata";
    case PendingRecord::Kind::PresenceRemove:
        return "uscita";
    case PendingRecord::Kind::Transit:
        break;
    }
    return "transito";
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::vector<std::string> splitEscaped(const std::string& line) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            parts.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char n = line[++i];
            parts.back() += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

// The check closing every line: FNV-1a over the line before it, so a line that does not read back
// whole (torn by a crash, a bit flipped on the disk) is known.
std::string lineCheck(const std::string& text) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h = (h ^ c) * 16777619u;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "~%08x", static_cast<unsigned>(h));
    return hex;
}

} // namespace

PendingRecord PendingRecord::transit(std::vector<std::string> fields) {
    PendingRecord r;
    r.kind = Kind::Transit;
    r.fields = std::move(fields);
    return r;
}

PendingRecord PendingRecord::presenceAdd(const std::string& badge) {
    PendingRecord r;
    r.kind = Kind::PresenceAdd;
    r.fields = {trim(badge)};
    return r;
}

PendingRecord PendingRecord::presenceRemove(const std::string& badge) {
    PendingRecord r;
    r.kind = Kind::PresenceRemove;
    r.fields = {trim(badge)};
    return r;
}

PendingJournal::PendingJournal(Database& db, std::string path)
    : m_db(db), m_path(std::move(path)),
      m_transit(db,
                "INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, "
                "verso, nota) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
      m_presenceAdd(db, "INSERT INTO presenti (NumeroBadge) VALUES (?)"),
      m_presenceRemove(db, "DELETE FROM presenti WHERE rowid = (SELECT rowid FROM presenti WHERE "
                           "trim(NumeroBadge) = ? ORDER BY rowid LIMIT 1)") {
    std::random_device device;
    m_session = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    load();
    reserveRoom();
}

std::string PendingJournal::encode(const PendingRecord& record) {
    std::string line = escape(record.id) + '\t' + kindName(record.kind);
    for (const std::string& f : record.fields) {
        line += '\t' + escape(f);
    }
    return line + '\t' + lineCheck(line) + '\n';
}

std::optional<PendingRecord> PendingJournal::decode(const std::string& line) {
    std::vector<std::string> parts = splitEscaped(line);
    // Lines written before lines carried their check have none; a line with one must match it.
    const std::size_t lastTab = line.rfind('\t');
    if (lastTab != std::string::npos && line.size() - lastTab == 10 && line[lastTab + 1] == '~') {
        if (line.substr(lastTab + 1) != lineCheck(line.substr(0, lastTab))) {
            return std::nullopt;
        }
        parts.pop_back();
    }
    if (parts.size() < 3 || parts[0].empty()) {
        return std::nullopt;
    }
    PendingRecord r;
    r.id = parts[0];
    if (parts[1] == "transito" && parts.size() == 11) {
        r.kind = PendingRecord::Kind::Transit;
    } else if (parts[1] == "entrata" && parts.size() == 3) {
        r.kind = PendingRecord::Kind::PresenceAdd;
    } else if (parts[1] == "uscita" && parts.size() == 3) {
        r.kind = PendingRecord::Kind::PresenceRemove;
    } else {
        return std::nullopt; // a line torn by a crash while it was written
    }
    r.fields.assign(parts.begin() + 2, parts.end());
    return r;
}

void PendingJournal::load() {
    std::string bad;
    {
        std::ifstream in(m_path, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (auto r = decode(line)) {
                m_records.push_back(std::move(*r));
            } else if (!line.empty()) {
                bad += line + '\n';
                ++m_setAside;
            }
        }
    }
    if (m_setAside == 0) {
        return;
    }
    // A line that does not read back whole is never stored as a record: it is kept aside, where a
    // person can look at it, and the journal is rewritten without it.
    std::FILE* f = std::fopen(setAsidePath().c_str(), "ab");
    const bool kept = f != nullptr && std::fwrite(bad.data(), 1, bad.size(), f) == bad.size();
    if (f != nullptr) {
        std::fclose(f);
    }
    if (kept) {
        m_onDisk = rewriteFile();
    }
}

bool PendingJournal::appendToFile(const std::string& path, const std::vector<PendingRecord>& records) {
    std::string bytes;
    for (const PendingRecord& r : records) {
        bytes += encode(r);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
    if (fd < 0) {
        return false;
    }
    const off_t before = ::lseek(fd, 0, SEEK_END);
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ::fsync(fd) == 0 && ok;
    if (!ok && before >= 0) {
        // A part written before the disk filled up would glue itself to the next line written: gone.
        (void)::ftruncate(fd, before);
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

void PendingJournal::keep(std::vector<PendingRecord> records) {
    // What only memory held is written out first, so the file keeps the order.
    std::vector<PendingRecord> toWrite;
    if (!m_onDisk) {
        toWrite = m_records;
    }
    toWrite.insert(toWrite.end(), records.begin(), records.end());
    // Records an earlier, failed append left in the file may now stand there twice: their ids make
    // the replay store them once.
    m_onDisk = appendToFile(m_path, toWrite);
    if (!m_onDisk && m_reserved) {
        // The disk is full: the room kept aside is given back, so these records reach the disk before
        // the door is answered.
        ::unlink(reservePath().c_str());
        m_reserved = false;
        m_reserveLow = true;
        m_onDisk = appendToFile(m_path, toWrite);
    }
    for (PendingRecord& r : records) {
        m_records.push_back(std::move(r));
    }
}

int PendingJournal::apply(const PendingRecord& r) {
    switch (r.kind) {
    case PendingRecord::Kind::PresenceAdd:
        return m_presenceAdd.run({r.fields.at(0)});
    case PendingRecord::Kind::PresenceRemove:
        return m_presenceRemove.run({r.fields.at(0)});
    case PendingRecord::Kind::Transit:
        break;
    }
    const auto& f = r.fields;
    return m_transit.run({f.at(0), f.at(1), f.at(2), f.at(3), f.at(4), f.at(5),
                          Value(static_cast<long long>(f.at(6) == "1" ? 1 : 0)), f.at(7), f.at(8)});
}

void PendingJournal::reserveRoom() {
    const int fd = ::open(reservePath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) {
        return; // a folder that takes no file: nothing to keep aside, and nothing to say
    }
    const int err = ::posix_fallocate(fd, 0, ReserveBytes);
    const bool synced = err == 0 && ::fsync(fd) == 0;
    ::close(fd);
    m_reserved = err == 0 && synced;
    m_reserveLow = !m_reserved && (err == ENOSPC || err == EDQUOT);
    if (!m_reserved) {
        ::unlink(reservePath().c_str()); // half a reserve only takes room
    }
}

void PendingJournal::forgetStored() {
    m_records.clear();
    m_onDisk = true;
    if (!m_reserved) {
        reserveRoom(); // the disk takes records again: keep room aside for the next time it fills up
    }
    // Emptied only after the transaction that marked the records: a kill in between leaves the marks,
    // so the next replay skips what is already stored.
    // The emptied file reaches the disk before the marks go: after a power cut the file cannot come
    // back with its records while the marks that name them are gone.
    std::FILE* f = std::fopen(m_path.c_str(), "wb");
    bool emptied = f != nullptr && ::fsync(::fileno(f)) == 0;
    emptied = f != nullptr && std::fclose(f) == 0 && emptied;
    if (emptied) {
        try {
            m_db.execute("DELETE FROM registrazioni_riprese");
        } catch (const DatabaseError&) {
            // Stale marks are harmless: ids never repeat.
        }
    }
}

bool PendingJournal::replay() {
    if (m_records.empty()) {
        return true;
    }
    try {
        ShortBusyWait wait(m_db);
        Transaction tx(m_db);
        m_db.execute("CREATE TABLE IF NOT EXISTS registrazioni_riprese (id TEXT PRIMARY KEY)");
        for (const PendingRecord& r : m_records) {
            if (!m_db.query("SELECT 1 FROM registrazioni_riprese WHERE id = ?", {r.id}).empty()) {
                continue;
            }
            apply(r);
            m_db.execute("INSERT INTO registrazioni_riprese (id) VALUES (?)", {r.id});
        }
        tx.commit();
    } catch (const DatabaseError& e) {
        m_lastError = e.what();
        return false;
    }
    forgetStored();
    return true;
}

PendingJournal::Outcome PendingJournal::store(const std::vector<PendingRecord>& records) {
    std::vector<PendingRecord> tagged = records;
    for (PendingRecord& r : tagged) {
        char id[48];
        std::snprintf(id, sizeof id, "%016llx-%llu", static_cast<unsigned long long>(m_session),
                      static_cast<unsigned long long>(++m_next));
        r.id = id;
    }
    Outcome out;
    if (!replay()) {
        out.error = m_lastError;
        keep(std::move(tagged));
        return out;
    }
    try {
        ShortBusyWait wait(m_db);
        Transaction tx(m_db);
        for (const PendingRecord& r : tagged) {
            out.changed = apply(r);
        }
        tx.commit();
        out.stored = true;
    } catch (const DatabaseError& e) {
        out.error = e.what();
        out.changed = 0;
        keep(std::move(tagged));
    }
    return out;
}

bool PendingJournal::rewriteFile() {
    // The whole file anew beside the old one, then renamed over it: a kill leaves one or the other.
    const std::string temp = m_path + ".new";
    std::remove(temp.c_str());
    if (!appendToFile(temp, m_records)) {
        std::remove(temp.c_str());
        return false;
    }
    return std::rename(temp.c_str(), m_path.c_str()) == 0;
}

void PendingJournal::dropWaitingPresence() {
    std::erase_if(m_records, [](const PendingRecord& r) { return r.kind != PendingRecord::Kind::Transit; });
    m_onDisk = rewriteFile();
}

std::optional<bool> PendingJournal::waitingPresence(const std::string& badge) const {
    const std::string b = trim(badge);
    std::optional<bool> inside;
    for (const PendingRecord& r : m_records) {
        if (r.kind != PendingRecord::Kind::Transit && !r.fields.empty() && r.fields[0] == b) {
            inside = r.kind == PendingRecord::Kind::PresenceAdd;
        }
    }
    return inside;
}

} // namespace sentinex
