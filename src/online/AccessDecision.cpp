#include "AccessDecision.hpp"

#include "CardDecoder.hpp"
#include "CardRecord.hpp"
#include "OnlineServices.hpp"
#include "OnlineView.hpp"
#include "PresenceTable.hpp"
#include "ReasonCode.hpp"
#include "StepContext.hpp"
#include "StoreFailureNotice.hpp"
#include "TimeBands.hpp"
#include "TransitLog.hpp"
#include "core/Clock.hpp"
#include "store/Database.hpp"
#include "store/RecordSet.hpp"
#include "core/Settings.hpp"
#include "core/TextCodec.hpp"
#include "store/Transaction.hpp"
#include "link/ReaderBus.hpp"

#include <optional>

namespace sentinex {

namespace {

// Wait before the grant command, as the readers expect.
constexpr int GrantPauseMs = 10;

} // namespace

bool AccessDecision::enabledOnReader(const std::string& lettore, int k) {
    const std::string c = CardDecoder::charAt(lettore, k);
    return c.size() == 1 && c[0] >= '1' && c[0] <= '9';
}

bool AccessDecision::inputsPass(const CardRecord& card, int input1, int input2) {
    if (!CardRecord::isTrue(card.ControllaInput)) {
        return true;
    }
    const int r1 = CardRecord::isTrue(card.Input1) ? 1 : 0;
    const int r2 = CardRecord::isTrue(card.Input2) ? 1 : 0;
    if (CardRecord::isTrue(card.MetodoInput)) {
        return input1 == r1 && input2 == r2;
    }
    return input1 == r1 || input2 == r2;
}

std::string AccessDecision::grantPayload(const std::string& prefix, const CardRecord& card) {
    const char* o1 = CardRecord::isTrue(card.Output1) ? "1" : "0";
    const char* o2 = CardRecord::isTrue(card.Output2) ? "1" : "0";
    return prefix + "K1" + o1 + "000100" + o2;
}

void AccessDecision::refuse(const StepContext& ctx, const CardRecord& card, int code,
                            const std::string& message) {
    m_s.view.showLastEvent(message);
    m_log.refuse(ctx, code, card.NumeroCarta, card.Cognome, card.Nome);
}

void AccessDecision::decide(const StepContext& ctx, const CardRecord& card, int input1, int input2) {
    const std::string& N = card.NumeroCarta;
    const int direction = ctx.entry.direction;
    auto stamp = [this] { return OnlineServices::LineBreak + m_s.clock.now().generalText(); };

    if (CardRecord::isFalse(card.AbilitaCarta)) {
        return refuse(ctx, card, 4, "Carta " + N + " non abilitata  " + stamp());
    }
    if (!enabledOnReader(card.Lettore, ctx.readerIndex)) {
        return refuse(ctx, card, 5,
                      "Carta " + N + " non abilitata sul lettore " + std::to_string(ctx.readerIndex) +
                          " situato presso " + ctx.location);
    }
    if (CardRecord::isFalse(card.Flag_online)) {
        return refuse(ctx, card, 8, "Carta " + N + " non abilitata all'On-Line " + stamp());
    }
    if (CardRecord::isTrue(card.Imparziale) && m_s.settings.Imparziale && !ctx.location.empty() &&
        ctx.location[0] == '#') {
        return refuse(ctx, card, 6, "Carta " + N + " accesso negato (imparziale attivo) " + stamp());
    }
    if (m_presence.check(N, direction)) {
        return refuse(ctx, card, 7, "Carta " + N + " - Accesso negato (antipass-back on) " + stamp());
    }
    if (!inputsPass(card, input1, input2)) {
        return refuse(ctx, card, 10, "Carta " + N + " - Input non validi - Accesso negato" + stamp());
    }
    const BandVerdict bands = TimeBands::evaluate(card, m_s.clock.now());
    if (!bands.allowed) {
        return refuse(ctx, card, 3, "Carta " + N + bands.message + stamp());
    }
    const EntryLimit limit = m_s.entryLimit ? m_s.entryLimit() : savedEntryLimit(m_s.settings)();
    if (limit.on && direction == 1 && m_s.settings.Utenti >= limit.maximum) {
        return refuse(ctx, card, 9, "Carta " + N + " - Accesso negato - Limite ingressi raggiunto");
    }

    m_s.clock.pause(GrantPauseMs, m_s.pump);
    // What ran during the pause (an unlock, the output schedule) may have moved the bus to its loop.
    m_s.bus.setCurrentLoop(ctx.entry.loop);
    const std::string reply = m_s.bus.invia_comando(grantPayload(ctx.prefix, card));
    if (CardDecoder::charAt(reply, 4) != "S") {
        m_s.view.showLastEvent("Errore di comunicazione col lettore. " + readerBytesToUtf8(reply) +
                           " Impossibile consentire passaggio");
        return;
    }
    m_s.view.showLastEvent("Carta " + N + " - Accesso consentito - " + card.Cognome + " " + card.Nome + stamp());
    m_s.view.setLamps(LampColour::Green);
    recordGrant(ctx, N, card, direction);
    m_s.view.showPresence(std::to_string(m_s.settings.Utenti));
}

void AccessDecision::recordGrant(const StepContext& ctx, const std::string& N, const CardRecord& card,
                                 int direction) {
    // The passage and the person inside are stored together or not at all, so a crash between the
    // two never leaves an entrance in the history without its presence record, or the reverse.
    // The counter follows once both are durable.
    std::optional<Transaction> tx;
    const auto& db = m_s.transiti.database();
    if (db && db == m_s.presenti.database()) {
        try {
            tx.emplace(*db);
        } catch (const DatabaseError&) {
            // Busy or failing: the two writes go on their own and report their own failures.
        }
    }
    m_log.logGrant(ctx, N, card.Cognome, card.Nome);
    bool added = m_presence.addEntry(N, direction);
    if (tx) {
        try {
            tx->commit();
        } catch (const DatabaseError& e) {
            m_presence.notice().failed(e.what());
            added = false;
        }
    }
    if (added) {
        m_presence.countEntry();
    }
}

} // namespace sentinex
