#include "UserStore.hpp"

#include "CardNumber.hpp"
#include "core/Numbers.hpp"
#include "store/AuditLog.hpp"
#include "store/CachedStatement.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

namespace {

/// The table whose own change mark the kept total and key anchors stand beside.
constexpr const char* UsersTable = "Carte";

constexpr const char* UserColumns =
    "rowid, Cognome, Nome, Indirizzo, NumeroCarta, Note, AbilitaCarta, Flag_online, Output1, Output2, "
    "ControllaInput, MetodoInput, Input1, Input2, Flag_fasce, NomeFascia, SceltaFascia, Lettore, Imparziale";

UserStore::Stored userOf(const SqlStatement& row) {
    UserStore::Stored stored;
    stored.key = row.column(0).toInt();
    UserRecord& u = stored.user;
    u.surname = row.columnText(1);
    u.firstName = row.columnText(2);
    u.address = row.columnText(3);
    u.cardNumber = row.columnText(4);
    u.notes = row.columnText(5);
    u.cardEnabled = row.column(6).toBool();
    u.online = row.column(7).toBool();
    u.output1 = row.column(8).toBool();
    u.output2 = row.column(9).toBool();
    u.checkInputs = row.column(10).toBool();
    u.inputsAnd = row.column(11).toBool();
    u.input1On = row.column(12).toBool();
    u.input2On = row.column(13).toBool();
    u.bandsApply = row.column(14).toBool();
    u.bandName = row.columnText(15);
    u.standAloneBand = static_cast<int>(row.column(16).toInt());
    u.readerFlags = UserRecord::readerFlagsOf(row.columnText(17));
    u.held = row.column(18).toBool();
    return stored;
}

/// "Lun_1_da = ?, ..., Domenica = ?" for the band copy.
std::string bandAssignments() {
    std::string sql;
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        sql += BandTimes::timeField(i) + " = ?, ";
    }
    for (int d = 0; d < BandTimes::Days; ++d) {
        sql += BandTimes::dayField(d) + (d + 1 < BandTimes::Days ? " = ?, " : " = ?");
    }
    return sql;
}

void appendBand(std::vector<Value>& params, const BandTimes& band) {
    for (const std::string& time : band.times) {
        params.emplace_back(time);
    }
    for (bool day : band.days) {
        params.emplace_back(day);
    }
}

} // namespace

UserStore::UserStore(std::shared_ptr<Database> db, std::string window)
    : m_db(std::move(db)), m_window(std::move(window)) {}

UserStore::~UserStore() = default;

void UserStore::dropKeptIfChanged() {
    // Marked before any read that follows: a commit elsewhere while it runs shows at the next ask.
    const Database::ChangeMark mark = m_db->changeMark(UsersTable);
    if (mark != m_keptMark) {
        m_count.reset();
        m_ranks.reset();
        m_keptMark = mark;
    }
}

std::int64_t UserStore::count() {
    // Counting a million users takes longer than a move between two of them: the form asks at every
    // move, so the total is counted only when something it does not know of may have changed it.
    dropKeptIfChanged();
    if (!m_count) {
        m_count = m_db->query("SELECT count(*) FROM Carte").at(0).at(0).toInt();
    }
    return *m_count;
}

std::optional<UserStore::Stored> UserStore::readOne(CachedStatement& statement,
                                                    const std::vector<Value>& params) {
    std::optional<Stored> found;
    statement.readFirst(params, [&](const SqlStatement& row) { found = userOf(row); });
    return found;
}

std::optional<UserStore::Stored> UserStore::atPosition(std::int64_t position) {
    if (position < 1) {
        return std::nullopt;
    }
    if (!m_atPosition) {
        m_atPosition = std::make_unique<CachedStatement>(
            *m_db, std::string("SELECT ") + UserColumns + " FROM Carte ORDER BY rowid LIMIT 1 OFFSET ?");
    }
    return readOne(*m_atPosition, {position - 1});
}

std::optional<UserStore::Stored> UserStore::byKey(std::int64_t key) {
    if (!m_byKey) {
        m_byKey = std::make_unique<CachedStatement>(*m_db, std::string("SELECT ") + UserColumns +
                                                               " FROM Carte WHERE rowid = ?");
    }
    return readOne(*m_byKey, {key});
}

std::optional<UserStore::Stored> UserStore::beside(std::int64_t key, Step step) {
    std::unique_ptr<CachedStatement>& statement = step == Step::Next ? m_next : m_previous;
    if (!statement) {
        statement = std::make_unique<CachedStatement>(
            *m_db, std::string("SELECT ") + UserColumns +
                       (step == Step::Next ? " FROM Carte WHERE rowid > ? ORDER BY rowid LIMIT 1"
                                           : " FROM Carte WHERE rowid < ? ORDER BY rowid DESC LIMIT 1"));
    }
    return readOne(*statement, {key});
}

std::optional<UserStore::Stored> UserStore::last() {
    if (!m_last) {
        m_last = std::make_unique<CachedStatement>(*m_db, std::string("SELECT ") + UserColumns +
                                                              " FROM Carte ORDER BY rowid DESC LIMIT 1");
    }
    return readOne(*m_last, {});
}

std::optional<std::int64_t> UserStore::positionOf(std::int64_t key) {
    // Each part is one look down the table's tree.
    const auto bounds = m_db->query("SELECT EXISTS (SELECT 1 FROM Carte WHERE rowid = ?1), "
                                    "(SELECT min(rowid) FROM Carte), (SELECT max(rowid) FROM Carte)",
                                    {key});
    if (bounds.empty() || !bounds.front().at(0).toBool()) {
        return std::nullopt;
    }
    const std::int64_t first = bounds.front().at(1).toInt();
    const std::int64_t lastKey = bounds.front().at(2).toInt();
    const std::int64_t total = count();
    // Keys 1 to N with N users: no user was ever taken out below the last, and the key is the position.
    if (first == 1 && lastKey == total) {
        return key;
    }
    // Otherwise only the users between the nearest anchor and the key are counted, a few pages at most.
    if (const auto anchor = keyRanks(total).atOrBelow(key)) {
        return anchor->rank +
               m_db->query("SELECT count(*) FROM Carte WHERE rowid > ? AND rowid <= ?", {anchor->key, key})
                   .at(0)
                   .at(0)
                   .toInt();
    }
    return m_db->query("SELECT count(*) FROM Carte WHERE rowid <= ?", {key}).at(0).at(0).toInt();
}

const KeyRanks& UserStore::keyRanks(std::int64_t total) {
    if (!m_ranks) {
        // Any index holds every key and is a fraction of the table's size: SQLite reads the keys through
        // the narrowest one, so they need sorting only when its leading values differ.
        std::vector<std::int64_t> keys;
        keys.reserve(static_cast<std::size_t>(total));
        SqlStatement all(m_db->handle(), "SELECT rowid FROM Carte");
        while (all.step()) {
            keys.push_back(all.columnInt(0));
        }
        m_ranks.emplace(std::move(keys));
    }
    return *m_ranks;
}

std::vector<std::string> UserStore::bandNames() {
    std::vector<std::string> names;
    for (const auto& row : m_db->query("SELECT Nome FROM Fasce ORDER BY rowid")) {
        names.push_back(trim(row.at(0).toString()));
    }
    return names;
}

std::vector<std::string> UserStore::readerLocations() {
    std::vector<std::string> locations;
    for (const auto& row : m_db->query("SELECT SituatoPresso FROM Lettori ORDER BY rowid LIMIT ?",
                                       {static_cast<std::int64_t>(UserRecord::ReaderPositions)})) {
        locations.push_back(row.at(0).toString());
    }
    return locations;
}

std::optional<BandTimes> UserStore::bandNamed(const std::string& name) {
    std::string sql = "SELECT ";
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        sql += BandTimes::timeField(i) + ", ";
    }
    for (int d = 0; d < BandTimes::Days; ++d) {
        sql += BandTimes::dayField(d) + (d + 1 < BandTimes::Days ? ", " : " ");
    }
    sql += "FROM Fasce WHERE trim(Nome) = ? ORDER BY rowid LIMIT 1";
    const auto rows = m_db->query(sql, {trim(name)});
    if (rows.empty()) {
        return std::nullopt;
    }
    BandTimes band;
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        band.times[static_cast<std::size_t>(i)] = rows.front()[static_cast<std::size_t>(i)].toString();
    }
    for (int d = 0; d < BandTimes::Days; ++d) {
        band.days[static_cast<std::size_t>(d)] =
            rows.front()[static_cast<std::size_t>(BandTimes::TimeCount + d)].toBool();
    }
    return band;
}

UserStore::Validation UserStore::validate(const UserRecord& user, std::optional<std::int64_t> editingKey) {
    Validation result;
    if (!CardNumber::isValid(user.cardNumber)) {
        result.problem = BadCardText;
        return result;
    }
    if (cardTaken(user.cardNumber, editingKey)) {
        result.problem = CardTakenText;
        return result;
    }
    result.normalisedCard = CardNumber::normalised(user.cardNumber);
    if (user.online && user.bandsApply && !bandNamed(user.bandName)) {
        result.problem = NoBandText;
    }
    return result;
}

std::int64_t UserStore::save(const UserRecord& user, std::optional<std::int64_t> key) {
    const BandTimes band = bandNamed(user.bandName).value_or(BandTimes::unset());
    std::vector<Value> params = {user.surname,       user.firstName,   user.address,        user.cardNumber,
                                 user.notes,         user.cardEnabled, user.output1,        user.output2,
                                 user.bandsApply,    user.online,      user.checkInputs,    user.inputsAnd,
                                 user.input1On,      user.input2On,    user.standAloneBand, user.readerText(),
                                 trim(user.bandName)};
    appendBand(params, band);

    Transaction transaction(*m_db);
    // Under the write lock, so no other connection's commit can slip between this check and the save.
    dropKeptIfChanged();
    // Checked again under the write lock: a save queued while the first one ran saw the card still free.
    if (cardTaken(user.cardNumber, key)) {
        throw CardTaken();
    }
    std::int64_t written = 0;
    const AuditLog::Fields before = key ? AuditLog::rowFields(*m_db, "Carte", *key) : AuditLog::Fields{};
    const std::string fields =
        "Cognome = ?, Nome = ?, Indirizzo = ?, NumeroCarta = ?, Note = ?, AbilitaCarta = ?, "
        "Output1 = ?, Output2 = ?, Flag_fasce = ?, Flag_online = ?, ControllaInput = ?, "
        "MetodoInput = ?, Input1 = ?, Input2 = ?, SceltaFascia = ?, Lettore = ?, "
        "NomeFascia = ?, " +
        bandAssignments();
    if (key) {
        params.emplace_back(*key);
        if (m_db->execute("UPDATE Carte SET " + fields + " WHERE rowid = ?", params) != 1) {
            throw DatabaseError("Il record dell'utente non esiste più.");
        }
        written = *key;
    } else {
        // A new record starts from the table's defaults; the update then writes every field in one go.
        m_db->execute("INSERT INTO Carte (Imparziale) VALUES (0)");
        written = m_db->lastInsertRowid();
        params.emplace_back(written);
        m_db->execute("UPDATE Carte SET " + fields + " WHERE rowid = ?", params);
        // A new key is normally above every other; when it is not, the anchors are read again.
        if (m_ranks && m_db->query("SELECT max(rowid) FROM Carte").at(0).at(0).toInt() != written) {
            m_ranks.reset();
        }
    }
    const auto [was, is] = AuditLog::difference(before, AuditLog::rowFields(*m_db, "Carte", written));
    AuditLog::write(
        *m_db, {m_window, key ? "Utente modificato" : "Utente creato", std::to_string(written), was, is});
    // Marked while this transaction still holds the write lock: no other commit can come between.
    const Database::ChangeMark mark = m_db->changeMark(UsersTable);
    transaction.commit();
    // An edit moves no key; a new user above every key takes the last place.
    if (!key && m_count) {
        ++*m_count;
        if (m_ranks && !m_ranks->appended(written, *m_count)) {
            m_ranks.reset();
        }
    }
    m_keptMark = mark;
    return written;
}

bool UserStore::cardTaken(const std::string& cardNumber, std::optional<std::int64_t> editingKey) {
    // Numeric value, so an older "12" and a typed 0012 are the same card.
    return !m_db->query(
                    "SELECT 1 FROM Carte WHERE CAST(NumeroCarta AS INTEGER) = ? AND rowid IS NOT ? LIMIT 1",
                    {wholeValue(cardNumber), editingKey ? Value(*editingKey) : Value()})
                .empty();
}

int UserStore::remove(std::int64_t key) {
    Transaction transaction(*m_db);
    const AuditLog::Fields before = AuditLog::rowFields(*m_db, "Carte", key);
    dropKeptIfChanged(); // under the write lock, as in save
    // The presence belongs to the card: a user who keeps the same number (older files may hold one twice)
    // keeps it.
    const int inside =
        m_db->execute("DELETE FROM presenti WHERE trim(NumeroBadge) <> '' AND trim(NumeroBadge) = (SELECT "
                      "trim(NumeroCarta) "
                      "FROM Carte WHERE rowid = ?) AND NOT EXISTS (SELECT 1 FROM Carte WHERE rowid <> ? AND "
                      "trim(NumeroCarta) = trim(presenti.NumeroBadge))",
                      {key, key});
    const int removed = m_db->execute("DELETE FROM Carte WHERE rowid = ?", {key});
    if (removed == 1) {
        AuditLog::write(*m_db,
                        {m_window, "Utente eliminato", std::to_string(key), AuditLog::text(before), ""});
    }
    const Database::ChangeMark mark = m_db->changeMark(UsersTable); // under the write lock, as in save
    transaction.commit();
    if (removed == 1 && m_count) {
        --*m_count;
        if (m_ranks) {
            m_ranks->removed(key);
        }
    }
    m_keptMark = mark;
    return inside;
}

} // namespace sentinex
