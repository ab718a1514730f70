#include "PollingStep.hpp"

#include "CardDecoder.hpp"
#include "CardRecord.hpp"
#include "OnlineView.hpp"
#include "ReasonCode.hpp"
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
          m_presence, m_refusal, m_log, m_status),
      m_cards(m_env.db) {
    m_decision.setHolidays(&m_holidays);
    if (m_journal.setAside() > 0) {
        m_status.setStartUpNote(std::to_string(m_journal.setAside()) + " righe di " + JournalFile +
                                " illeggibili, non registrate: messe da parte in " + JournalFile +
                                ".scartate");
    }
}

std::string PollingStep::pollingSettingNote(std::int64_t pollingSetting, int intervalMs) {
    const std::string value = "(\"Polling\" = " + std::to_string(pollingSetting) + ")";
    if (intervalMs <= 0) {
        // The timer's rule: an interval of 0 never ticks. Said, so a green indicator is not taken for
        // readers being served.
        return "Polling fermo: l'impostazione del tempo di polling non è valida " + value +
               ", nessun lettore viene interrogato. Correggerla nelle impostazioni.";
    }
    constexpr int OneMinuteMs = 60 * 1000;
    if (intervalMs > OneMinuteMs) {
        return "Polling molto lento " + value + ": un lettore ogni " + std::to_string(intervalMs / 1000) +
               " secondi.";
    }
    return {};
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
        const std::size_t waitingBefore = m_journal.waiting();
        try {
            serve(readerIndex);
        } catch (const DatabaseError& e) {
            m_notice.failed(StoreFailureNotice::Store::Lookup, e.what());
        }
        if (waitingBefore > 0 && m_journal.waiting() == 0) {
            m_notice.clear(); // the records that waited went in with this step's: the store works
        }
        // Records that wait, a counter the settings file refused and a spent reserve are tried again now
        // and then even when no card comes, so the status line clears once the disk takes them.
        constexpr double ReplayIntervalSeconds = 2.0;
        const double now = m_env.clock.monotonicSeconds();
        if ((m_journal.waiting() > 0 || m_presence.counterUnsaved() || !m_journal.reserved()) &&
            now - m_lastReplayTry >= ReplayIntervalSeconds) {
            m_lastReplayTry = now;
            storeWaitingRecords();
        }
        m_status.setWaiting(m_journal.waiting(), m_journal.onDisk());
        m_status.setReserveLow(m_journal.reserveLow() && !m_journal.reserved());
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
    noteReply(ctx);
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
        // The database took every waiting record: whatever failed before, it reads and writes now.
        m_notice.clear();
    }
    m_presence.retryUnsavedCounter();
    m_journal.keepRoomAside();
    m_status.setWaiting(m_journal.waiting(), m_journal.onDisk());
    m_status.setReserveLow(m_journal.reserveLow() && !m_journal.reserved());
}

void PollingStep::dropWaitingPresence() {
    m_journal.dropWaitingPresence();
    m_status.setWaiting(m_journal.waiting(), m_journal.onDisk());
    m_status.setReserveLow(m_journal.reserveLow() && !m_journal.reserved());
}

void PollingStep::readersReloaded() {
    m_silentPolls.clear();
    m_errorPolls.clear();
    m_pollsSinceAnyReply = 0;
    m_status.forgetReaders();
}

void PollingStep::noteReply(const StepContext& ctx) {
    const auto count = static_cast<std::size_t>(m_env.state.readers.count());
    if (m_silentPolls.size() != count) {
        // The list was reloaded: start counting afresh, and forget what was said of the old list.
        readersReloaded();
        m_silentPolls.assign(count, 0);
        m_errorPolls.assign(count, 0);
    }
    const auto i = static_cast<std::size_t>(ctx.readerIndex - 1);
    int& silent = m_silentPolls[i];
    int& errors = m_errorPolls[i];
    const std::string name = "Lettore " + std::to_string(ctx.readerIndex) + " " + ctx.location;
    if (!ctx.reply.empty()) {
        silent = 0;
        m_pollsSinceAnyReply = 0;
        m_status.setLineSilent(false);
        // A reader that answers every poll with an error code (another site code "C", a transfer error
        // "D", anything but a card or "nothing to report") is never served: it is named like a silent one.
        const char code = ReaderReply::code(ctx.reply);
        if (code == 'I' || code == 'S') {
            errors = 0;
            m_status.clearSilentReader(ctx.readerIndex);
        } else if (++errors == SilentPolls) {
            m_status.setSilentReader(ctx.readerIndex, name + " risponde con errore");
        }
        return;
    }
    errors = 0;
    if (++silent == SilentPolls) {
        m_status.setSilentReader(ctx.readerIndex, name + " non risponde");
    }
    if (++m_pollsSinceAnyReply == SilentPolls * static_cast<int>(count)) {
        m_status.setLineSilent(true);
    }
}

void PollingStep::refuseUnknown(const StepContext& ctx, int code, const std::string& message,
                                const std::string& badge) {
    // The badge as it was read goes into the record, so the history tells which card tried.
    m_refusal.refuse(ctx, code, message + LineBreak + m_env.clock.now().generalText(),
                     CardHolder{badge, {}, {}});
}

void PollingStep::refuseUnreadableCards(const StepContext& ctx) {
    // Said on the status line until a lookup succeeds; the engine's words would not tell the operator
    // more than that the table is damaged.
    m_status.setCardsUnreadable(true);
    m_refusal.refuse(ctx, static_cast<int>(ReasonCode::CardsUnreadable),
                     std::string(StatusLine::CardsUnreadableText) + LineBreak +
                         m_env.clock.now().generalText(),
                     CardHolder{});
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
    // A card table that cannot be read refuses the card: the reader gets its answer and the
    // presentation its record, instead of a door left waiting.
    std::optional<std::string> registered;
    try {
        registered = m_cards.numberForRawData(readerBytesToUtf8(ctx.cardData), ctx.cardData);
    } catch (const DatabaseError&) {
        return refuseUnreadableCards(ctx);
    }
    std::string number;
    if (registered) {
        number = *registered;
    } else if (vireo || card.siteCode == ctx.siteText) {
        number = readerBytesToUtf8(card.cardNumber);
    } else {
        const std::string read = readerBytesToUtf8(card.cardNumber);
        refuseUnknown(ctx, 2, "Codice impianto differente ",
                      read.empty() ? readerBytesToUtf8(ctx.cardData) : read);
        return;
    }
    std::optional<CardRecord> record;
    try {
        record = m_cards.findByNumber(number);
    } catch (const DatabaseError&) {
        return refuseUnreadableCards(ctx);
    }
    m_status.setCardsUnreadable(false);
    m_notice.succeeded(StoreFailureNotice::Store::Lookup);
    if (!record) {
        refuseUnknown(ctx, 1, "Carta non presente nel database ",
                      number.empty() ? readerBytesToUtf8(ctx.cardData) : number);
        return;
    }
    m_decision.decide(ctx, *record, card.input1, card.input2);
}

} // namespace sentinex
