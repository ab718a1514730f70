#include "AccessDecision.hpp"

#include "CardDecoder.hpp"
#include "CardRecord.hpp"
#include "HolidayCalendar.hpp"
#include "OnlineView.hpp"
#include "PendingJournal.hpp"
#include "PresenceTable.hpp"
#include "Refusal.hpp"
#include "StatusLine.hpp"
#include "StepContext.hpp"
#include "StoreFailureNotice.hpp"
#include "TimeBands.hpp"
#include "TransitLog.hpp"
#include "core/Clock.hpp"
#include "core/Settings.hpp"
#include "core/TextCodec.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"

#include <optional>
#include <vector>

namespace sentinex {

namespace {

// Wait before the grant command, as the readers expect.
constexpr int GrantPauseMs = 10;

} // namespace

AccessDecision::AccessDecision(PendingJournal& journal, StoreFailureNotice& notice, OnlineView& view,
                               ReaderBus& bus, Clock& clock, EventPump& pump, const Settings& settings,
                               EntryLimitSource entryLimit, PresenceTable& presence, Refusal& refusal,
                               TransitLog& log, StatusLine& status)
    : m_journal(journal), m_notice(notice), m_view(view), m_bus(bus), m_clock(clock), m_pump(pump),
      m_settings(settings), m_entryLimit(std::move(entryLimit)), m_presence(presence), m_refusal(refusal),
      m_log(log), m_status(status) {}

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

void AccessDecision::decide(const StepContext& ctx, const CardRecord& card, int input1, int input2) {
    const std::string& N = card.NumeroCarta;
    const int direction = ctx.entry.direction;
    const CardHolder holder{N, card.Cognome, card.Nome};
    auto stamp = [this] { return std::string(LineBreak) + m_clock.now().generalText(); };
    // An exit is booked once the anti-passback check lets it through; its removal from `presenti` is
    // stored with the record that ends the step, so a crash never keeps one without the other.
    std::optional<PendingRecord> exit;
    auto refuse = [&](int code, const std::string& message) {
        std::vector<PendingRecord> with;
        if (exit) {
            with.push_back(*exit);
        }
        const PendingJournal::Outcome out = m_refusal.refuse(ctx, code, message, holder, with);
        if (exit) {
            m_presence.countExit(out);
        }
    };

    if (CardRecord::isFalse(card.AbilitaCarta)) {
        return refuse(4, "Carta " + N + " non abilitata  " + stamp());
    }
    if (!enabledOnReader(card.Lettore, ctx.readerIndex)) {
        return refuse(5, "Carta " + N + " non abilitata sul lettore " + std::to_string(ctx.readerIndex) +
                             " situato presso " + ctx.location);
    }
    if (CardRecord::isFalse(card.Flag_online)) {
        return refuse(8, "Carta " + N + " non abilitata all'On-Line " + stamp());
    }
    if (CardRecord::isTrue(card.Imparziale) && m_settings.Imparziale && !ctx.location.empty() &&
        ctx.location[0] == '#') {
        return refuse(6, "Carta " + N + " accesso negato (imparziale attivo) " + stamp());
    }
    if (direction == 0 || direction == 1) {
        const PresenceTable::Presence presence = m_presence.lookUp(N);
        if (PresenceTable::blocks(presence, direction)) {
            return refuse(7, "Carta " + N + " - Accesso negato (antipass-back on) " + stamp());
        }
        // An exit is booked here, before the later checks, as the anti-passback rule has always done:
        // a later refusal still lets the person out.
        if (direction == 0) {
            exit = PresenceTable::exitRecord(presence);
        }
    }
    if (!inputsPass(card, input1, input2)) {
        return refuse(10, "Carta " + N + " - Input non validi - Accesso negato" + stamp());
    }
    const BandVerdict bands =
        m_holidays ? m_holidays->evaluate(card, m_clock.now()) : TimeBands::evaluate(card, m_clock.now());
    if (!bands.allowed) {
        return refuse(3, "Carta " + N + bands.message + stamp());
    }
    const EntryLimit limit = m_entryLimit ? m_entryLimit() : savedEntryLimit(m_settings)();
    if (limit.on && direction == 1 && m_settings.Utenti >= limit.maximum) {
        return refuse(9, "Carta " + N + " - Accesso negato - Limite ingressi raggiunto");
    }

    m_clock.pause(GrantPauseMs, m_pump);
    const std::string reply = m_bus.exchange(
        ctx.reader,
        ReaderCommands::grant(ctx.prefix, CardRecord::isTrue(card.Output1), CardRecord::isTrue(card.Output2)),
        Timing::Command);
    if (ReaderReply::code(reply) != 'S') {
        m_view.showLastEvent("Errore di comunicazione col lettore. " + readerBytesToUtf8(reply) +
                             " Impossibile consentire passaggio");
        // The reader heard a command that opens the door and its answer was lost, garbled or not "S":
        // the presentation is recorded, but not as a passage, so presence and counter stay as they were
        // and the person is not locked out by anti-passback. The exit booked before the command stays
        // booked, stored with this record, as a refusal would store it.
        std::vector<PendingRecord> with;
        if (exit) {
            with.push_back(*exit);
        }
        const PendingJournal::Outcome out = m_log.logUnconfirmed(ctx, holder, with);
        if (exit) {
            m_presence.countExit(out);
        }
        m_status.setUnconfirmedGrants(++m_unconfirmed);
        return;
    }
    m_view.showLastEvent("Carta " + N + " - Accesso consentito - " + card.Cognome + " " + card.Nome +
                         stamp());
    m_view.setLamps(LampColour::Green);
    recordGrant(ctx, card, exit);
    m_view.showPresence(std::to_string(m_settings.Utenti));
}

void AccessDecision::recordGrant(const StepContext& ctx, const CardRecord& card,
                                 const std::optional<PendingRecord>& exit) {
    // The passage and the person inside are stored together or wait together, so a crash never leaves
    // an entrance in the history without its presence record, or the reverse. A person whose entrance
    // waits is inside all the same: the counter follows either way.
    std::vector<PendingRecord> records;
    if (std::optional<PendingRecord> passage =
            m_log.grantRecord(ctx, {card.NumeroCarta, card.Cognome, card.Nome})) {
        records.push_back(std::move(*passage));
    }
    const std::optional<PendingRecord> entry =
        PresenceTable::entryRecord(card.NumeroCarta, ctx.entry.direction);
    if (entry) {
        records.push_back(*entry);
    }
    if (exit) {
        records.push_back(*exit); // last: its outcome tells whether somebody left
    }
    if (records.empty()) {
        return;
    }
    const PendingJournal::Outcome out = m_journal.store(records);
    if (out.stored) {
        m_notice.succeeded(StoreFailureNotice::Store::Transits);
    } else {
        m_notice.failed(StoreFailureNotice::Store::Transits, out.error);
    }
    if (entry) {
        m_presence.countEntry();
    }
    if (exit) {
        m_presence.countExit(out);
    }
}

} // namespace sentinex
