#include "CardFileRuns.hpp"

#include "CardFile.hpp"
#include "CardFileName.hpp"
#include "CardFileView.hpp"

#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"

namespace sentinex {

CardFileRuns::CardFileRuns(ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump, CardFileView& view,
                           std::string programFolder, bool beep)
    : m_bus(bus), m_op(op), m_clock(clock), m_pump(pump), m_view(view), m_folder(std::move(programFolder)),
      m_beep(beep) {}

std::string CardFileRuns::askName() {
    for (;;) {
        const std::string name = m_op.inputBox(NamePrompt, "Nome file", m_proposed);
        if (name.empty()) {
            return {};
        }
        if (CardFileName::check(name, m_op)) {
            return name;
        }
    }
}

void CardFileRuns::pumpFor(int ms, bool beepEachTurn) {
    constexpr int Turn = 100;
    for (int waited = 0; waited < ms; waited += Turn) {
        m_clock.pause(Turn, m_pump);
        if (beepEachTurn) {
            m_op.beep();
        }
    }
}

CardFileRuns::Outcome CardFileRuns::capture(const ReaderAddress& reader) {
    m_stop = false;
    const std::string name = askName();
    if (name.empty()) {
        return Outcome::Cancelled;
    }
    const CardFile file(m_folder + "/" + name + ".txt");
    if (file.exists()) {
        m_op.message("Messaggio", ExistsText, MsgIcon::Information);
    } else if (!file.create()) {
        m_op.message("Errore", "Impossibile creare il file " + name + ".txt.", MsgIcon::Critical);
        return Outcome::Failed;
    }
    int next = file.nextNumber();
    const std::string poll = ReaderCommands::poll(reader.prefix());
    for (;;) {
        if (next > LastNumber) {
            m_op.message("Attenzione", FullText, MsgIcon::Exclamation);
            return Outcome::Failed;
        }
        m_view.showPrompt("Passare la carta numero " + std::to_string(next));
        m_view.showResult({}, false);
        std::string reply;
        do {
            m_clock.pause(500, m_pump);
            if (m_stop) {
                return Outcome::Stopped;
            }
            reply = m_bus.exchange(reader, poll, Timing::Medium);
        } while (ReaderReply::code(reply) != 'I');
        const std::string code = reply.size() > 10 ? reply.substr(8, reply.size() - 10) : std::string();
        if (file.isNew(code)) {
            if (!file.append(next, code)) {
                // The cards stored before stay in the file.
                m_op.message("Errore",
                             "Impossibile scrivere nel file " + name + ".txt: la creazione si ferma.",
                             MsgIcon::Critical);
                return Outcome::Failed;
            }
            m_view.showResult(StoredText, true);
            pumpFor(1000, m_beep);
            ++next;
        } else {
            m_view.showResult(KnownText, false);
            pumpFor(1000, false);
        }
    }
}

CardFileRuns::Outcome CardFileRuns::load(const ReaderAddress& reader) {
    m_stop = false;
    const std::string name = askName();
    if (name.empty()) {
        return Outcome::Cancelled;
    }
    const CardFile file(m_folder + "/" + name + ".txt");
    if (!file.exists()) {
        m_op.message("Attenzione", MissingText, MsgIcon::Exclamation);
        return Outcome::Failed;
    }
    const auto records = file.records();
    const int total = static_cast<int>(records.size());
    m_view.showProgress(0, total);
    const std::string prefix = reader.prefix();
    int done = 0;
    for (const std::string& record : records) {
        m_pump.processEvents();
        if (m_stop) {
            return Outcome::Stopped;
        }
        const std::string reply =
            m_bus.exchange(reader, ReaderCommands::cardFileRecord(prefix, record), Timing::Command);
        if (ReaderReply::code(reply) != 'S') {
            m_op.message("Errore", LoadErrorText, MsgIcon::Exclamation);
            return Outcome::Failed;
        }
        m_view.showProgress(++done, total);
    }
    m_op.message("Messaggio", DoneText, MsgIcon::Information);
    return Outcome::Done;
}

} // namespace sentinex
