#include "PollingStep.hpp"

#include "CardDecoder.hpp"
#include "CardRecord.hpp"
#include "OnlineView.hpp"
#include "StepContext.hpp"
#include "VireoCardFile.hpp"
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/TextCodec.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/AppState.hpp"
#include "store/Database.hpp"

namespace sentinex {

namespace {

// Wait before each poll, as the readers expect.
constexpr int PollPauseMs = 10;

} // namespace

PollingStep::PollingStep(Environment env)
    : m_env(std::move(env)), m_status(m_env.view), m_notice(m_status),
      m_journal(m_env.db, m_env.programFolder + "/" + JournalFile),
      m_log(m_journal, m_env.settings, m_env.clock, m_env.programFolder, m_notice),
      m_presence(m_env.db, m_journal, m_env.settings, m_env.settingsFile, m_notice, m_status),
      m_refusal(m_env.view, m_env.bus, m_env.op, m_env.clock, m_env.pump, m_env.settings, m_log),
      m_holidays(m_env.db, m_env.settings),
      m_decision(
          m_journal, m_notice, m_env.view, m_env.bus, m_env.clock, m_env.pump, m_env.settings,
          // Asked through the step, so `setEntryLimitSource` reaches the decision.
          [this] { return m_env.entryLimit ? m_env.entryLimit() : savedEntryLimit(m_env.settings)(); },
          m_presence, m_refusal, m_log),
      m_cards(m_env.db) {
    m_decision.setHolidays(&m_holidays);
}

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
            step.m_env.state.stepInProgress = false;
        }
    };
    {
        m_running = true;
        m_env.state.stepInProgress = true;
        StepEnd end{*this};
        try {
            serve(readerIndex);
        } catch (const DatabaseError& e) {
            m_notice.failed(StoreFailureNotice::Store::Lookup, e.what());
        }
        // Records that wait, and a counter the settings file refused, are tried again now and then even
        // when no card comes, so the status line clears once the disk takes them.
        constexpr double ReplayIntervalSeconds = 2.0;
        const double now = m_env.clock.monotonicSeconds();
        if ((m_journal.waiting() > 0 || m_presence.counterUnsaved()) &&
            now - m_lastReplayTry >= ReplayIntervalSeconds) {
            m_lastReplayTry = now;
            storeWaitingRecords();
        }
        m_status.setWaiting(m_journal.waiting(), m_journal.onDisk());
    }
    std::vector<std::function<void()>> after;
    after.swap(m_after);
    for (auto& action : after) {
        action();
    }
}

void PollingStep::serve(int k) {
    m_env.pump.processEvents();
    const ReaderList& readers = m_env.state.readers;
    if (!m_env.state.pollingOn || readers.count() == 0) {
        return;
    }
    m_env.clock.pause(PollPauseMs, m_env.pump);
    m_env.pump.processEvents();
    // The reader list may have been reloaded while events ran.
    if (k < 1 || k > readers.count()) {
        return;
    }
    StepContext ctx = StepContext::forReader(k, readers.entry(k - 1));
    // A "TERA TR-X" takes longer to answer its poll than the other readers.
    const Timing timing = ctx.entry.type == CardDecoder::VireoType ? Timing::Medium : Timing::Short;
    ctx.setReply(m_env.bus.exchange(ctx.reader, ReaderCommands::poll(ctx.prefix), timing));
    noteReply(ctx, !ctx.reply.empty());
    // No card: silent reader, bad frame, another reply code, or a card report without data.
    if (ReaderReply::code(ctx.reply) != 'I' || ctx.cardData.empty()) {
        return;
    }
    m_recordPending = true;
    m_env.view.showReceived("Stringa ricevuta : " + readerBytesToUtf8(ctx.cardData) + "  " +
                            m_env.clock.now().generalText());
    decodeAndDecide(ctx);
}

void PollingStep::storeWaitingRecords() {
    if (m_journal.waiting() > 0 && m_journal.replay()) {
        m_notice.succeeded(StoreFailureNotice::Store::Transits);
        m_notice.succeeded(StoreFailureNotice::Store::Presence);
    }
    m_presence.retryUnsavedCounter();
    m_status.setWaiting(m_journal.waiting(), m_journal.onDisk());
}

void PollingStep::dropWaitingPresence() {
    m_journal.dropWaitingPresence();
    m_status.setWaiting(m_journal.waiting(), m_journal.onDisk());
}

void PollingStep::noteReply(const StepContext& ctx, bool answered) {
    const auto count = static_cast<std::size_t>(m_env.state.readers.count());
    if (m_silentPolls.size() != count) {
        m_silentPolls.assign(count, 0); // the list was reloaded: start counting afresh
    }
    int& silent = m_silentPolls[static_cast<std::size_t>(ctx.readerIndex - 1)];
    if (answered) {
        silent = 0;
        m_pollsSinceAnyReply = 0;
        m_status.clearSilentReader(ctx.readerIndex);
        m_status.setLineSilent(false);
        return;
    }
    if (++silent == SilentPolls) {
        m_status.setSilentReader(ctx.readerIndex, "Lettore " + std::to_string(ctx.readerIndex) + " " +
                                                      ctx.location + " non risponde");
    }
    if (++m_pollsSinceAnyReply == SilentPolls * static_cast<int>(count)) {
        m_status.setLineSilent(true);
    }
}

void PollingStep::refuseUnknown(const StepContext& ctx, int code, const std::string& message) {
    m_refusal.refuse(ctx, code, message + LineBreak + m_env.clock.now().generalText(), CardHolder{});
}

void PollingStep::stopPolling() {
    m_env.op.message("Errore", MissingCardFileMessage, MsgIcon::Critical);
    m_env.state.pollingOn = false;
    m_env.view.pollingStopped();
}

void PollingStep::decodeAndDecide(StepContext& ctx) {
    const bool vireo = ctx.entry.type == CardDecoder::VireoType;
    DecodedCard card = CardDecoder::decode(ctx.reply, ctx.entry, m_env.settings.QuattroCifre);
    if (vireo) {
        card.cardNumber =
            VireoCardFile::lookup(VireoCardFile::pathFor(m_env.programFolder, m_env.settings.FileVireo),
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

    // Raw card data are looked up as the text they show as; older records may hold the bytes as such.
    const std::optional<std::string> registered =
        m_cards.numberForRawData(readerBytesToUtf8(ctx.cardData), ctx.cardData);
    std::string number;
    if (registered) {
        number = *registered;
    } else if (vireo || card.siteCode == ctx.siteText) {
        number = readerBytesToUtf8(card.cardNumber);
    } else {
        refuseUnknown(ctx, 2, "Codice impianto differente ");
        return;
    }
    const std::optional<CardRecord> record = m_cards.findByNumber(number);
    m_notice.succeeded(StoreFailureNotice::Store::Lookup);
    if (!record) {
        refuseUnknown(ctx, 1, "Carta non presente nel database ");
        return;
    }
    m_decision.decide(ctx, *record, card.input1, card.input2);
}

} // namespace sentinex
