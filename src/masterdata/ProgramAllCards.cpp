#include "ProgramAllCards.hpp"

#include "CardUpload.hpp"

#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/ReaderList.hpp"
#include "store/Database.hpp"

namespace sentinex {

namespace {

const char* failureWords(ReaderReply::Status status) {
    return status == ReaderReply::Status::TransferError ? ProgramAllCards::TransferErrorText
                                                        : ReaderReply::words(status);
}

std::string progressText(int reader, int readers, int sent) {
    return "Lettore " + std::to_string(reader) + " di " + std::to_string(readers) +
           " - comandi inviati: " + std::to_string(sent);
}

} // namespace

std::vector<ProgramAllCards::Card> ProgramAllCards::loadCards(Database& db) {
    const auto rows =
        db.query("SELECT NumeroCarta, Cognome, Nome, Lettore, Flag_online, AbilitaCarta, MetodoInput, "
                 "ControllaInput, Input2, Input1, SceltaFascia, Output1, Output2 FROM Carte "
                 "ORDER BY rowid");
    std::vector<Card> cards;
    cards.reserve(rows.size());
    for (const auto& r : rows) {
        Card c;
        c.number = r[0].toString();
        c.surname = r[1].toString();
        c.name = r[2].toString();
        c.readers = r[3].toString();
        c.online = r[4].toBool();
        c.enabled = r[5].toBool();
        c.options =
            ReaderCommands::cardOptions(r[6].toBool(), r[7].toBool(), r[8].toBool(), r[9].toBool(),
                                        static_cast<int>(r[10].toInt()), r[11].toBool(), r[12].toBool());
        cards.push_back(std::move(c));
    }
    return cards;
}

bool ProgramAllCards::mayStart(std::size_t cardCount, int readerCount, bool pollingOn, bool outputOn,
                               Operator& op) {
    if (cardCount == 0) {
        op.message("Attenzione", EmptyCardsText, MsgIcon::Exclamation);
        return false;
    }
    if (readerCount < 1) {
        op.message("Attenzione", NoReadersText, MsgIcon::Exclamation);
        return false;
    }
    return CardUpload::lineFree(pollingOn, outputOn, op);
}

bool ProgramAllCards::tooBigForThreeDigits(const std::string& card) {
    return wholeValue(card) > 999;
}

ProgramAllCards::Outcome ProgramAllCards::run(const ReaderList& readers, ReaderBus& bus, Operator& op,
                                              Clock& clock, EventPump& pump, bool fourDigit,
                                              const std::vector<Card>& cards) {
    Outcome out;
    std::vector<bool> skip(cards.size(), false);
    if (!fourDigit) {
        for (std::size_t i = 0; i < cards.size(); ++i) {
            if (tooBigForThreeDigits(cards[i].number)) {
                skip[i] = true;
                out.skipped.push_back(trim(cards[i].number) + " " + trim(cards[i].surname) + " " +
                                      trim(cards[i].name));
            }
        }
    }
    WaitScope wait(op);
    const int count = readers.count();
    for (int k = 1; k <= count; ++k) {
        const ReaderEntry& reader = readers.entry(k - 1);
        const ReaderAddress address = reader.busAddress();
        const std::string prefix = address.prefix();
        op.waitProgress(progressText(k, count, out.commandsSent));
        for (std::size_t i = 0; i < cards.size(); ++i) {
            if (skip[i]) {
                continue;
            }
            const Card& card = cards[i];
            clock.pause(CommandPauseMs, pump);
            const std::string payload =
                CardUpload::decide(card.readers, k, card.online, card.enabled) == CardUpload::Command::Store
                    ? ReaderCommands::storeCard(prefix, card.number, fourDigit, card.options)
                    : ReaderCommands::deleteCard(prefix, card.number, fourDigit);
            const ReaderReply::Status status =
                ReaderReply::classify(bus.exchange(address, payload, Timing::Command));
            if (status != ReaderReply::Status::Ok) {
                wait.close();
                op.message(CardUpload::readerTitle(k, reader), failureWords(status), MsgIcon::Exclamation);
                return out;
            }
            ++out.commandsSent;
            op.waitProgress(progressText(k, count, out.commandsSent));
        }
    }
    wait.close();
    out.done = true;
    op.message("Messaggio", DoneText, MsgIcon::Information);
    if (!out.skipped.empty()) {
        std::string list = "Carte non programmate: il numero supera 999 e non si può inviare con tre cifre.";
        for (const std::string& s : out.skipped) {
            list += "\r\n" + s;
        }
        op.message("Attenzione", list, MsgIcon::Exclamation);
    }
    return out;
}

} // namespace sentinex
