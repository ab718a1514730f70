#include "ReaderProgramming.hpp"

#include "ReaderForm.hpp"

#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"

#include <cstdint>

namespace sentinex {

ReaderProgramming::ReaderProgramming(ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump,
                                     const Settings& settings)
    : m_bus(bus), m_op(op), m_clock(clock), m_pump(pump), m_settings(settings) {}

ReaderProgramming::Outcome ReaderProgramming::run(const ReaderForm& form,
                                                  const std::function<bool()>& cancelWait) {
    const std::int64_t address = wholeValue(form.address);
    const std::int64_t site = wholeValue(form.siteCode);
    const ReaderAddress reader{static_cast<int>(wholeValue(form.loop)), address, site};
    const std::string prefix = ReaderCommands::prefix(address, site);
    const bool fourDigit = m_settings.QuattroCifre;

    const Answer answer = m_op.question("Domanda", ResetQuestion, MsgIcon::Question, true);
    if (answer == Answer::Cancel) {
        return Outcome::Cancelled;
    }
    WaitScope wait(m_op);
    m_op.offerWaitCancel(true);
    auto fail = [&](const char* text, MsgIcon icon) {
        wait.close();
        m_op.message("Attenzione", text, icon);
        return Outcome::Failed;
    };
    auto cancelled = [&] { return (cancelWait && cancelWait()) || m_op.waitCancelRequested(); };

    const bool reset = answer == Answer::Yes;
    if (reset) {
        const std::string reply = m_bus.exchange(reader, ReaderCommands::reset(address), Timing::Command);
        if (reply.empty()) {
            return fail(ReaderReply::NotConnectedText, MsgIcon::Exclamation);
        }
        if (ReaderReply::at(reply, 2) == 'D') {
            return fail(ReaderReply::TransferErrorText, MsgIcon::Exclamation);
        }
        // A reset reader starts up again with site code 000000; each poll that stays unanswered takes
        // the exchange's own timeout, and window events run between the polls.
        // The wait may be ended from the wait form ("Annulla") or by the caller.
        const double deadline = m_clock.monotonicSeconds() + ComeBackSeconds;
        std::string back;
        do {
            m_pump.processEvents();
            if (cancelled()) {
                return Outcome::Cancelled;
            }
            back = m_bus.exchange(reader, ReaderCommands::postResetPoll(address), Timing::Command);
        } while (back.empty() && m_clock.monotonicSeconds() < deadline);
        if (back.empty()) {
            return fail(NotBackText, MsgIcon::Exclamation);
        }
    }

    bool stopped = false;
    auto send = [&](const std::string& payload) {
        m_clock.pause(CommandPauseMs, m_pump);
        // The stop is honoured between two commands, never in the middle of one.
        if (cancelled()) {
            stopped = true;
            return ReaderReply::Status::Unknown;
        }
        return ReaderReply::classify(m_bus.exchange(reader, payload, Timing::Command));
    };
    auto failed = [&](ReaderReply::Status status) {
        if (stopped) {
            wait.close();
            m_op.message("Attenzione", stoppedText(reader.loop, address), MsgIcon::Exclamation);
            return Outcome::Cancelled;
        }
        return fail(ReaderReply::words(status),
                    status == ReaderReply::Status::Unknown ? MsgIcon::Critical : MsgIcon::Exclamation);
    };

    // Just after a reset the reader still answers to site code 000000 until it has taken the new one.
    const std::string configurePrefix = reset ? ReaderCommands::prefix(address, 0) : prefix;
    ReaderReply::Status status = send(ReaderCommands::configure(
        configurePrefix, form.siteCode, static_cast<double>(wholeValue(form.opening)), fourDigit));
    if (status != ReaderReply::Status::Ok) {
        return failed(status);
    }
    status = send(ReaderCommands::options(prefix, m_settings.Ritardo, form.type, form.riscriviRam,
                                          form.fasceOrarie, form.testInput));
    if (status != ReaderReply::Status::Ok) {
        return failed(status);
    }
    status = send(ReaderCommands::clock(prefix, m_clock.now()));
    if (status != ReaderReply::Status::Ok) {
        return failed(status);
    }
    std::int16_t card[4];
    std::int16_t code[6];
    for (int i = 0; i < 4; ++i) {
        card[i] = static_cast<std::int16_t>(clampTo(wholeValue(form.cardPos[i]), 0, 127));
    }
    for (int i = 0; i < 6; ++i) {
        code[i] = static_cast<std::int16_t>(clampTo(wholeValue(form.codePos[i]), 0, 127));
    }
    status = send(ReaderCommands::dataPositions(prefix, card, code, fourDigit));
    if (status != ReaderReply::Status::Ok) {
        return failed(status);
    }
    if (form.fasceOrarie) {
        for (int band = 0; band < 3; ++band) {
            if (!m_settings.bandDefined[band]) {
                continue;
            }
            status = send(ReaderCommands::timeBand(prefix, band + 1, m_settings.OrarioIniziale[band],
                                                   m_settings.OrarioFinale[band]));
            if (status != ReaderReply::Status::Ok) {
                return failed(status);
            }
        }
    }
    wait.close();
    m_op.message("Messaggio", DoneText, MsgIcon::Information);
    return Outcome::Done;
}

std::string ReaderProgramming::stoppedText(int loop, long long address) {
    return "Programmazione interrotta: il lettore " + std::to_string(address) + " del loop " +
           std::to_string(loop) + " è stato programmato solo in parte.";
}

} // namespace sentinex
