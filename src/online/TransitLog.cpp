#include "TransitLog.hpp"

#include "OnlineServices.hpp"
#include "OnlineView.hpp"
#include "ReasonCode.hpp"
#include "StepContext.hpp"
#include "StoreFailureNotice.hpp"
#include "core/Clock.hpp"
#include "store/Database.hpp"
#include "core/EventPump.hpp"
#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "store/RecordSet.hpp"
#include "core/Settings.hpp"
#include "core/TextCodec.hpp"
#include "link/ReaderBus.hpp"

#include <cstdio>

namespace sentinex {

namespace {

// Pause between two beeps of the refusal signal; events are processed while it lasts.
constexpr int BeepGapMs = 50;

} // namespace

void TransitLog::refuse(const StepContext& ctx, int code, const std::string& number,
                        const std::string& surname, const std::string& firstName) {
    m_s.view.setLamps(LampColour::Red);
    // A message box shown since the poll lets an unlock or the output schedule move the bus's loop.
    m_s.bus.setCurrentLoop(ctx.entry.loop);
    m_s.bus.invia_comando(ctx.prefix + "K000000000");
    if (m_s.settings.Beep) {
        const double start = m_s.clock.monotonicSeconds();
        while (m_s.clock.monotonicSeconds() - start < 1.0) {
            m_s.op.beep();
            m_s.pump.processEvents();
            m_s.clock.pause(BeepGapMs, m_s.pump);
        }
    }
    addTransit(ctx, false, notaFor(code), number, surname, firstName);
}

void TransitLog::logGrant(const StepContext& ctx, const std::string& number, const std::string& surname,
                          const std::string& firstName) {
    if (m_s.settings.StoricoEsterno) {
        const DateTime now = m_s.clock.now();
        const std::string line = storicoLine(number, firstName, surname, ctx.readerIndex, ctx.location,
                                             now.dateText(), now.timeText(), ctx.entry.state);
        if (appendToFile(m_s.programFolder + "/Storico.txt", line)) {
            return;
        }
        // The text history cannot be written: keep the passage in the table instead.
    }
    addTransit(ctx, true, "Passaggio", number, surname, firstName);
}

bool TransitLog::addTransit(const StepContext& ctx, bool passage, const std::string& nota,
                            const std::string& number, const std::string& surname,
                            const std::string& firstName) {
    RecordSet& t = m_s.transiti;
    try {
        const DateTime now = m_s.clock.now();
        t.addNew();
        t.setField("NumeroBadge", number);
        t.setField("Cognome", surname);
        t.setField("Nome", firstName);
        t.setField("PosizioneLettore", ctx.entry.location);
        t.setField("Data", now.dateText());
        t.setField("Ora", now.timeText());
        t.setField("Passaggio", passage);
        t.setField("verso", ctx.entry.state);
        t.setField("nota", nota);
        t.update();
    } catch (const DatabaseError& e) {
        try {
            t.cancelUpdate();
        } catch (const DatabaseError&) {
        }
        m_notice.failed(e.what());
        return false;
    }
    m_notice.succeeded();
    return true;
}

std::string TransitLog::storicoLine(const std::string& number, const std::string& firstName,
                                    const std::string& surname, int readerIndex, const std::string& location,
                                    const std::string& date, const std::string& time,
                                    const std::string& state) {
    // Widths count characters as the file stores them: one Windows-1252 byte each.
    std::string text = utf8ToCp1252(number);
    text += ' ';
    text += rightAlign(utf8ToCp1252(firstName), 14);
    text += ' ';
    text += rightAlign(utf8ToCp1252(surname), 14);
    text += "   ";
    text += padLeftZeros(readerIndex, 2);
    text += ' ';
    text += rightAlign(utf8ToCp1252(location), 8);
    text += ' ';
    text += date;
    text += ' ';
    text += time;
    text += " Passaggio ";
    text += utf8ToCp1252(state);
    return "\"" + text + "\"\r\n";
}

bool TransitLog::appendToFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (f == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool flushed = std::fflush(f) == 0;
    const bool closed = std::fclose(f) == 0;
    return written && flushed && closed;
}

} // namespace sentinex
