#include "PollingStep.hpp"

#include "CardDecoder.hpp"
#include "CardRecord.hpp"
#include "OnlineView.hpp"
#include "StepContext.hpp"
#include "VireoCardFile.hpp"
#include "readers/AppState.hpp"
#include "core/Clock.hpp"
#include "store/Database.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "store/RecordSet.hpp"
#include "core/Settings.hpp"
#include "core/TextCodec.hpp"
#include "link/ReaderBus.hpp"

namespace sentinex {

namespace {

// Wait before each poll, as the readers expect.
constexpr int PollPauseMs = 10;

} // namespace

PollingStep::PollingStep(OnlineServices services)
    : m_s(std::move(services)), m_notice(m_s.op), m_log(m_s, m_notice), m_presence(m_s, m_notice),
      m_decision(m_s, m_log, m_presence) {}

void PollingStep::afterStep(std::function<void()> action) {
    if (!action) {
        return;
    }
    if (!m_running) {
        action();
        return;
    }
    m_after.push_back(std::move(action));
}

std::string PollingStep::stamp() const {
    return OnlineServices::LineBreak + m_s.clock.now().generalText();
}

void PollingStep::run(int readerIndex) {
    if (m_running) {
        return;
    }
    // Ends the step whatever leaves it, then runs what waited for the end.
    struct StepEnd {
        PollingStep& step;
        ~StepEnd() {
            step.m_recordPending = false;
            step.m_running = false;
            step.m_s.state.stepInProgress = false;
        }
    };
    {
        m_running = true;
        m_s.state.stepInProgress = true;
        StepEnd end{*this};
        try {
            serve(readerIndex);
        } catch (const DatabaseError& e) {
            m_notice.failed(e.what());
        }
    }
    std::vector<std::function<void()>> after;
    after.swap(m_after);
    for (auto& action : after) {
        action();
    }
}

void PollingStep::serve(int k) {
    m_s.pump.processEvents();
    const ReaderList& readers = m_s.state.readers;
    if (!m_s.state.pollingOn || readers.count() == 0) {
        return;
    }
    m_s.clock.pause(PollPauseMs, m_s.pump);
    m_s.pump.processEvents();
    // The reader list may have been reloaded while events ran.
    if (k < 1 || k > readers.count()) {
        return;
    }
    StepContext ctx = StepContext::forReader(k, readers.entry(k - 1));
    m_s.bus.setCurrentLoop(ctx.entry.loop);
    const std::string payload = ctx.prefix + "D";
    ctx.setReply(ctx.entry.type == CardDecoder::VireoType ? m_s.bus.invia_comando_medio(payload)
                                                          : m_s.bus.invia_comando_breve(payload));
    // No card: silent reader, bad frame, another reply code, or a card report without data.
    if (CardDecoder::charAt(ctx.reply, 4) != "I" || ctx.cardData.empty()) {
        return;
    }
    m_recordPending = true;
    m_s.view.showReceived("Stringa ricevuta : " + readerBytesToUtf8(ctx.cardData) + "  " +
                          m_s.clock.now().generalText());
    // `Data3` is bound to the table `Carte`, whose lookups read the live table: what other forms
    // saved is seen by this card without re-reading the table's layout (a full refresh).
    decodeAndDecide(ctx);
}

void PollingStep::refuseUnknown(const StepContext& ctx, int code, const std::string& message) {
    m_s.view.showLastEvent(message + stamp());
    m_log.refuse(ctx, code, "", "", "");
}

void PollingStep::stopPolling() {
    m_s.op.message("Errore", MissingCardFileMessage, MsgIcon::Critical);
    m_s.state.pollingOn = false;
    m_s.view.pollingStopped();
}

void PollingStep::decodeAndDecide(StepContext& ctx) {
    const bool vireo = ctx.entry.type == CardDecoder::VireoType;
    DecodedCard card = CardDecoder::decode(ctx.reply, ctx.entry, m_s.settings.QuattroCifre);
    if (vireo) {
        card.cardNumber =
            VireoCardFile::lookup(VireoCardFile::pathFor(m_s.programFolder, m_s.settings.FileVireo),
                                  CardDecoder::vireoCode(ctx.cardData));
        if (card.cardNumber == VireoCardFile::Missing) {
            stopPolling();
            return;
        }
        if (card.cardNumber == VireoCardFile::NotFound) {
            refuseUnknown(ctx, 0, "Carta non riconosciuta ");
            return;
        }
    }

    RecordSet& carte = m_s.carte;
    if (!m_rawData.isBound() || m_rawData.database() != carte.database()) {
        m_rawData.bind(carte.database(), "Carte");
    }
    // Raw card data are looked up as the text they show as; older records may hold the bytes as such.
    const std::string dataText = readerBytesToUtf8(ctx.cardData);
    const bool byString = dataText == ctx.cardData
                              ? m_rawData.findFirst("Stringa = ?", {dataText})
                              : m_rawData.findFirst("(Stringa = ? OR Stringa = ?)", {dataText, ctx.cardData});
    std::string number;
    if (byString) {
        number = m_rawData.text("NumeroCarta");
    } else if (vireo || card.siteCode == ctx.siteText) {
        number = readerBytesToUtf8(card.cardNumber);
    } else {
        refuseUnknown(ctx, 2, "Codice impianto differente ");
        return;
    }
    if (!carte.findFirst("NumeroCarta = ?", {number})) {
        refuseUnknown(ctx, 1, "Carta non presente nel database ");
        return;
    }
    m_decision.decide(ctx, CardRecord::fromRecordSet(carte), card.input1, card.input2);
}

} // namespace sentinex
