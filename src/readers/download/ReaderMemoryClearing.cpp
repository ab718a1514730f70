#include "ReaderMemoryClearing.hpp"

#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/ReaderList.hpp"

#include <string>

namespace sentinex {

ReaderMemoryClearing::Outcome ReaderMemoryClearing::run(const ReaderList& readers, ReaderBus& bus,
                                                        Operator& op, Clock& clock, EventPump& pump,
                                                        bool pollingOn, bool outputOn,
                                                        const std::function<void(bool)>& setFormEnabled) {
    const auto enableForm = [&setFormEnabled](bool on) {
        if (setFormEnabled) {
            setFormEnabled(on);
        }
    };
    if (readers.count() < 1) {
        op.message("Attenzione", NoReadersText, MsgIcon::Exclamation);
        return Outcome::Refused;
    }
    if (pollingOn) {
        op.message("Messaggio", "Disabilitare prima il polling.", MsgIcon::Exclamation);
        return Outcome::Refused;
    }
    if (outputOn) {
        op.message("Messaggio", "Disabilitare prima l'output automatico.", MsgIcon::Exclamation);
        return Outcome::Refused;
    }
    const Answer answer = op.question("Domanda", Question, MsgIcon::Question);
    enableForm(false);
    if (answer != Answer::Yes) {
        enableForm(true);
        return Outcome::Declined;
    }
    WaitScope wait(op);
    const int count = readers.count();
    for (int k = 1; k <= count; ++k) {
        op.waitProgress("Lettore " + std::to_string(k) + " di " + std::to_string(count));
        pump.processEvents();
        const ReaderEntry& reader = readers.entry(k - 1);
        clock.pause(PauseMs, pump);
        const std::string reply = bus.exchange(
            reader.busAddress(), ReaderCommands::clearMemory(reader.busAddress().prefix()), Timing::Command);
        const char code = ReaderReply::code(reply);
        if (reply.empty() || code == 'D' || code == 'C') {
            wait.close();
            enableForm(true);
            op.message("Lettore " + std::to_string(k) + " - situato presso " + reader.location,
                       CommunicationErrorText, MsgIcon::Exclamation);
            return Outcome::Failed;
        }
    }
    wait.close();
    enableForm(true);
    op.message("Messaggio", DoneText, MsgIcon::None);
    return Outcome::Done;
}

} // namespace sentinex
