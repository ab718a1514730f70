#include "ExternalCardRegistration.hpp"

#include "core/Operator.hpp"
#include "core/TextCodec.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/ReaderList.hpp"
#include "store/Database.hpp"

namespace sentinex {

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
        db.execute("UPDATE Carte SET Stringa = ? WHERE rowid = ?", {readerBytesToUtf8(data), key});
        op.message("Messaggio", "Registrazione carta esterna OK !", MsgIcon::Information);
        bus.exchange(reader.busAddress(), ReaderCommands::refuse(reader.busAddress().prefix()),
                     Timing::Short);
        return Outcome::Registered;
    }
}

} // namespace sentinex
