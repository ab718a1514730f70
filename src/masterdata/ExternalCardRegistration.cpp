#include "ExternalCardRegistration.hpp"

#include "core/Operator.hpp"
#include "core/TextCodec.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/ReaderList.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

namespace {

/// "Rossi Mario (carta 0042)": how the messages name a user.
std::string userText(const std::vector<Value>& row) {
    auto field = [&](std::size_t i) {
        std::string text = row.at(i).toString();
        const auto end = text.find_last_not_of(' ');
        return end == std::string::npos ? std::string() : text.substr(0, end + 1);
    };
    return field(0) + " " + field(1) + " (carta " + field(2) + ")";
}

} // namespace

std::optional<std::int64_t> ExternalCardRegistration::recordToUpdate(Database& db, Operator& op,
                                                                     const ReaderList& readers,
                                                                     bool pollingOn, bool outputOn,
                                                                     const Shown& shown) {
    if (readers.count() < 1) {
        op.message("Attenzione", "Non ci sono lettori.", MsgIcon::Exclamation);
        return std::nullopt;
    }
    if (!shown.onlineTicked) {
        op.message("Attenzione", "Opzione valida solo con l'On Line", MsgIcon::Exclamation);
        return std::nullopt;
    }
    if (pollingOn) {
        op.message("Messaggio", "Disabilitare prima il polling.", MsgIcon::Exclamation);
        return std::nullopt;
    }
    if (outputOn) {
        op.message("Messaggio", "Disabilitare prima l'output automatico.", MsgIcon::Exclamation);
        return std::nullopt;
    }
    const auto rows =
        db.query("SELECT rowid FROM Carte WHERE NumeroCarta = ? ORDER BY rowid LIMIT 1", {shown.cardNumber});
    if (rows.empty()) {
        op.message("Messaggio", "Il numero di carta non esiste.", MsgIcon::Information);
        return std::nullopt;
    }
    return rows.front().front().toInt();
}

ExternalCardRegistration::Outcome
ExternalCardRegistration::waitAndStore(Database& db, Operator& op, const ReaderList& readers, ReaderBus& bus,
                                       std::int64_t key, const std::function<bool()>& keepWaiting) {
    op.message("Messaggio", "Ora bisogna passare la carta su uno qualunque dei lettori presenti nella rete.",
               MsgIcon::Information);
    for (int k = 0;; k = (k + 1) % readers.count()) {
        if (!keepWaiting()) {
            op.message("Messaggio", "Nessuna carta è stata passata.", MsgIcon::Information);
            return Outcome::Stopped;
        }
        const ReaderEntry& reader = readers.entry(k);
        const std::string reply = bus.exchange(
            reader.busAddress(), ReaderCommands::poll(reader.busAddress().prefix()), Timing::Short);
        if (ReaderReply::code(reply) != 'I') {
            continue; // no card at this reader (or no reply): the next one
        }
        // The data part: without the start byte, address, code and inputs, and without end and check byte.
        const std::string data = reply.size() > 10 ? reply.substr(8, reply.size() - 10) : std::string();
        const std::string stringa = readerBytesToUtf8(data);
        std::optional<std::string> holder;
        std::string receiver;
        {
            Transaction transaction(db);
            const auto taken = db.query("SELECT Cognome, Nome, NumeroCarta FROM Carte WHERE Stringa = ? AND "
                                        "rowid <> ? ORDER BY rowid LIMIT 1",
                                        {stringa, key});
            if (!taken.empty()) {
                holder = userText(taken[0]);
            } else {
                db.execute("UPDATE Carte SET Stringa = ? WHERE rowid = ?", {stringa, key});
                const auto self =
                    db.query("SELECT Cognome, Nome, NumeroCarta FROM Carte WHERE rowid = ?", {key});
                receiver = self.empty() ? std::string() : userText(self[0]);
                transaction.commit();
            }
        }
        if (holder) {
            op.message("Attenzione", TakenPrefix + *holder + ".", MsgIcon::Exclamation);
        } else {
            op.message("Messaggio",
                       "Registrazione carta esterna OK !\r\nCarta registrata per " + receiver + ".",
                       MsgIcon::Information);
        }
        bus.exchange(reader.busAddress(), ReaderCommands::refuse(reader.busAddress().prefix()),
                     Timing::Short);
        if (holder) {
            return Outcome::Taken;
        }
        return Outcome::Registered;
    }
}

} // namespace sentinex
