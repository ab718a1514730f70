#include "TransitLog.hpp"

#include "ReasonCode.hpp"
#include "StepContext.hpp"
#include "StoreFailureNotice.hpp"
#include "core/Clock.hpp"
#include "core/Numbers.hpp"
#include "core/Settings.hpp"
#include "core/TextCodec.hpp"

#include <cstdio>

namespace sentinex {

TransitLog::TransitLog(PendingJournal& journal, const Settings& settings, Clock& clock,
                       std::string programFolder, StoreFailureNotice& notice)
    : m_journal(journal), m_settings(settings), m_clock(clock), m_programFolder(std::move(programFolder)),
      m_notice(notice) {}

PendingRecord TransitLog::transitRecord(const StepContext& ctx, bool passage, const std::string& nota,
                                        const CardHolder& holder) const {
    const DateTime now = m_clock.now();
    return PendingRecord::transit({holder.number, holder.surname, holder.firstName, ctx.entry.location,
                                   now.dateText(), now.timeText(), passage ? "1" : "0", ctx.entry.state,
                                   nota});
}

PendingJournal::Outcome TransitLog::logRefusal(const StepContext& ctx, int code, const CardHolder& holder,
                                               const std::vector<PendingRecord>& with) {
    return storeWith(transitRecord(ctx, false, notaFor(code), holder), with);
}

PendingJournal::Outcome TransitLog::logUnconfirmed(const StepContext& ctx, const CardHolder& holder,
                                                   const std::vector<PendingRecord>& with) {
    return storeWith(transitRecord(ctx, false, UnconfirmedNota, holder), with);
}

PendingJournal::Outcome TransitLog::storeWith(PendingRecord record, const std::vector<PendingRecord>& with) {
    std::vector<PendingRecord> records{std::move(record)};
    records.insert(records.end(), with.begin(), with.end());
    const PendingJournal::Outcome out = m_journal.store(records);
    if (out.stored) {
        m_notice.succeeded(StoreFailureNotice::Store::Transits);
    } else {
        m_notice.failed(StoreFailureNotice::Store::Transits, out.error);
    }
    return out;
}

std::optional<PendingRecord> TransitLog::grantRecord(const StepContext& ctx, const CardHolder& holder) {
    if (m_settings.StoricoEsterno) {
        const DateTime now = m_clock.now();
        const std::string line = storicoLine(holder.number, holder.firstName, holder.surname, ctx.readerIndex,
                                             ctx.location, now.dateText(), now.timeText(), ctx.entry.state);
        if (appendToFile(m_programFolder + "/Storico.txt", line)) {
            return std::nullopt;
        }
        // The text history cannot be written: keep the passage in the table instead.
    }
    return transitRecord(ctx, true, "Passaggio", holder);
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
