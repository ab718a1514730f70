#include "CardUpload.hpp"

#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/ReaderList.hpp"

namespace sentinex {

CardUpload::Command CardUpload::decide(const std::string& readerFlags, int position, bool online,
                                       bool enabled) {
    const bool flagged = position >= 1 && static_cast<std::size_t>(position) <= readerFlags.size() &&
                         readerFlags[static_cast<std::size_t>(position - 1)] == '1';
    return flagged && !online && enabled ? Command::Store : Command::Delete;
}

std::string CardUpload::readerTitle(int position, const ReaderEntry& reader) {
    return "Lettore " + std::to_string(position) + " - situato presso " + trim(reader.location);
}

bool CardUpload::mayStart(bool onlineTicked, int readerCount, bool pollingOn, bool outputOn, Operator& op) {
    if (onlineTicked) {
        op.message("Messaggio", "Carta abilitata all' On Line", MsgIcon::Exclamation);
        return false;
    }
    if (readerCount < 1) {
        op.message("Attenzione", "Non ci sono lettori memorizzati nel database.", MsgIcon::Exclamation);
        return false;
    }
    return lineFree(pollingOn, outputOn, op);
}

bool CardUpload::lineFree(bool pollingOn, bool outputOn, Operator& op) {
    if (pollingOn) {
        op.message("Messaggio", "Disabilitare prima il polling.", MsgIcon::Exclamation);
        return false;
    }
    if (outputOn) {
        op.message("Messaggio", "Disabilitare prima l'output automatico.", MsgIcon::Exclamation);
        return false;
    }
    return true;
}

bool CardUpload::run(const ReaderList& readers, ReaderBus& bus, Operator& op, bool fourDigit,
                     const Request& request) {
    if (!fourDigit && wholeValue(request.cardNumber) > 999) {
        op.message("Attenzione", TooBigForThreeDigitsText, MsgIcon::Exclamation);
        return false;
    }
    WaitScope wait(op);
    for (int k = 1; k <= readers.count(); ++k) {
        const ReaderEntry& reader = readers.entry(k - 1);
        const std::string prefix = reader.busAddress().prefix();
        const std::string payload =
            decide(request.storedReaders, k, request.storedOnline, request.storedEnabled) == Command::Store
                ? ReaderCommands::storeCard(prefix, request.cardNumber, fourDigit, request.options)
                : ReaderCommands::deleteCard(prefix, request.cardNumber, fourDigit);
        const ReaderReply::Status status =
            ReaderReply::classify(bus.exchange(reader.busAddress(), payload, Timing::Command));
        if (status != ReaderReply::Status::Ok) {
            wait.close();
            op.message(readerTitle(k, reader), ReaderReply::words(status),
                       status == ReaderReply::Status::Unknown ? MsgIcon::Critical : MsgIcon::Exclamation);
            return false;
        }
    }
    wait.close();
    op.message("Messaggio", DoneText, MsgIcon::Information);
    return true;
}

} // namespace sentinex
