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
#include <optional>
#include <string>

namespace sentinex {

std::string ReaderProgramming::halfProgrammedText(const ReaderForm& form) {
    return "Programmazione interrotta: il lettore \"" + form.location + "\" (loop " + form.loop +
           ", indirizzo " + form.address + ") è programmato solo in parte.";
}

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
    // The wait form's stop button acts for the whole run: during the wait for a reset reader, and
    // between two commands, so a reader is never left with half a command.
    m_op.offerWaitCancel(true);
    auto fail = [&](const char* text, MsgIcon icon) {
        m_op.offerWaitCancel(false);
        wait.close();
        m_op.message("Attenzione", text, icon);
        return Outcome::Failed;
    };
    auto stopRequested = [&] { return (cancelWait && cancelWait()) || m_op.waitCancelRequested(); };
    const bool reset = answer == Answer::Yes;
    bool accepted = reset; // the reader has taken something: stopping now leaves it half programmed
    auto stopped = [&] {
        m_op.offerWaitCancel(false);
        wait.close();
        if (accepted) {
            m_op.message("Attenzione", halfProgrammedText(form), MsgIcon::Exclamation);
        }
        return Outcome::Cancelled;
    };

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
            if (stopRequested()) {
                // The reader stays reset; nothing of the new configuration was sent.
                m_op.offerWaitCancel(false);
                wait.close();
                return Outcome::Cancelled;
            }
            back = m_bus.exchange(reader, ReaderCommands::postResetPoll(address), Timing::Command);
        } while (back.empty() && m_clock.monotonicSeconds() < deadline);
        if (back.empty()) {
            return fail(NotBackText, MsgIcon::Exclamation);
        }
    }

    auto send = [&](const std::string& payload) {
        m_clock.pause(CommandPauseMs, m_pump);
        if (stopRequested()) {
            return std::optional<ReaderReply::Status>();
        }
        const auto status = ReaderReply::classify(m_bus.exchange(reader, payload, Timing::Command));
        if (status == ReaderReply::Status::Ok) {
            accepted = true;
        }
        return std::optional<ReaderReply::Status>(status);
    };
    auto failed = [&](std::optional<ReaderReply::Status> status) {
        if (!status) {
            return stopped();
        }
        return fail(ReaderReply::words(*status),
                    *status == ReaderReply::Status::Unknown ? MsgIcon::Critical : MsgIcon::Exclamation);
    };

    // Just after a reset the reader still answers to site code 000000 until it has taken the new one.
    const std::string configurePrefix = reset ? ReaderCommands::prefix(address, 0) : prefix;
    std::optional<ReaderReply::Status> status = send(ReaderCommands::configure(
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
    m_op.offerWaitCancel(false);
    wait.close();
    m_op.message("Messaggio", DoneText, MsgIcon::Information);
    return Outcome::Done;
}

} // namespace sentinex
