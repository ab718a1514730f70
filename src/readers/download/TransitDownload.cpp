#include "TransitDownload.hpp"

#include "DownloadSink.hpp"
#include "StoredTransit.hpp"

#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "readers/ReaderList.hpp"
#include "store/Database.hpp"

namespace sentinex {

namespace {

/// "", "D" and "C" are failures of the start and clear commands; any other reply goes on.
bool accepted(const std::string& reply) {
    const char code = ReaderReply::code(reply);
    return !reply.empty() && code != 'D' && code != 'C';
}

std::string progressText(int index, int total, int stored) {
    return "Lettore " + std::to_string(index) + " di " + std::to_string(total) +
           " - transiti scaricati: " + std::to_string(stored);
}

} // namespace

TransitDownload::TransitDownload(Services services) : m_s(services) {}

std::string TransitDownload::chooserLine(int position, const ReaderEntry& reader) {
    return "Lettore " + std::to_string(position) + " - situato presso : " + reader.location;
}

std::string TransitDownload::countText(int readerCount) {
    return "Numero lettori : " + std::to_string(readerCount);
}

std::string TransitDownload::clearingNote(bool clearAfter) {
    return clearAfter ? "Cancello la memoria dopo il download" : "Non cancello la memoria dopo il download";
}

std::optional<int> TransitDownload::chosenReader(const std::string& chooserText, int readerCount,
                                                 Operator& op) {
    if (chooserText.empty()) {
        op.message("Errore", ChooseReaderText, MsgIcon::Exclamation);
        return std::nullopt;
    }
    const std::int64_t number = chooserText.size() > 8 ? wholeValue(chooserText.substr(8)) : 0;
    if (number < 1 || number > readerCount) {
        op.message("Errore", NoSuchReaderText, MsgIcon::Exclamation);
        return std::nullopt;
    }
    return static_cast<int>(number);
}

std::string TransitDownload::readerTitle(int position, const ReaderEntry& reader) {
    return "Lettore " + std::to_string(position) + " situato presso " + reader.location;
}

void TransitDownload::fail(int position, WaitScope& wait) {
    // The records stored so far stay on the progress line until the box is answered.
    wait.close();
    m_s.op.message(readerTitle(position, m_s.readers.entry(position - 1)), CommunicationErrorText,
                   MsgIcon::Exclamation);
}

TransitDownload::Stored TransitDownload::store(const DownloadedTransit& record, int position,
                                               WaitScope& wait) {
    std::string engine;
    try {
        m_s.db.execute(
            "INSERT INTO Storico (NumeroCarta, Cognome, Nome, NumeroLettore, SituatoPresso, Data, Ora) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)",
            {record.cardNumber, record.surname, record.name, record.readerPosition, record.location,
             record.date, record.time});
        return Stored::Yes;
    } catch (const DatabaseError& e) {
        engine = e.what();
    }
    const bool kept = m_s.sink && m_s.sink->keep(record);
    wait.close();
    std::string text = "Il database non ha accettato il transito scaricato (" + engine + ").";
    if (kept) {
        text += "\r\nIl transito è stato messo in attesa e sarà registrato appena il database lo accetta.";
    } else {
        text += "\r\nIl transito non si è potuto conservare: annotarlo. Carta " + record.cardNumber +
                " del " + record.date + " alle " + record.time + ".";
    }
    text += "\r\nIl download si ferma qui, prima di chiedere al lettore il transito seguente: ripeterlo più "
            "tardi. La memoria dei lettori non è stata cancellata.";
    m_s.op.message(readerTitle(position, m_s.readers.entry(position - 1)), text, MsgIcon::Critical);
    return kept ? Stored::Kept : Stored::Lost;
}

TransitDownload::Outcome TransitDownload::run(const std::vector<int>& positions, bool fourDigit,
                                              bool clearAfter) {
    Outcome out;
    const int total = static_cast<int>(positions.size());
    WaitScope wait(m_s.op);
    for (int i = 0; i < total; ++i) {
        const int k = positions[static_cast<std::size_t>(i)];
        const ReaderEntry& reader = m_s.readers.entry(k - 1);
        m_s.op.waitProgress("Avvio lettore " + std::to_string(i + 1) + " di " + std::to_string(total));
        const std::string prefix = reader.busAddress().prefix();
        if (!accepted(m_s.bus.exchange(reader.busAddress(), ReaderCommands::downloadStart(prefix),
                                       Timing::Command))) {
            out.result = Result::CommunicationError;
            fail(k, wait);
            return out;
        }
    }
    for (int i = 0; i < total; ++i) {
        const int k = positions[static_cast<std::size_t>(i)];
        const ReaderEntry& reader = m_s.readers.entry(k - 1);
        const std::string next = ReaderCommands::nextTransit(reader.busAddress().prefix());
        m_s.op.waitProgress(progressText(i + 1, total, out.stored));
        for (;;) {
            m_s.clock.pause(NextPauseMs, m_s.pump);
            const std::string reply = m_s.bus.exchange(reader.busAddress(), next, Timing::Command);
            const char code = ReaderReply::code(reply);
            if (code == 'F') {
                break;
            }
            if (code != 'Z') {
                out.result = Result::CommunicationError;
                fail(k, wait);
                return out;
            }
            const StoredTransit t = StoredTransit::fromReply(reply, fourDigit);
            DownloadedTransit record;
            record.cardNumber = t.cardNumber(fourDigit);
            record.readerPosition = k;
            record.location = reader.location;
            record.date = t.dateText(m_s.clock.now());
            record.time = t.timeText();
            record.readerState = reader.state;
            try {
                const auto rows = m_s.db.query(
                    "SELECT Cognome, Nome FROM Carte WHERE NumeroCarta = ? ORDER BY rowid LIMIT 1",
                    {record.cardNumber});
                if (!rows.empty()) {
                    record.surname = rows[0][0].toString();
                    record.name = rows[0][1].toString();
                }
            } catch (const DatabaseError&) {
                // Without the name the record is still worth keeping: the insert below says whether the
                // database takes anything at all.
            }
            if (const Stored stored = store(record, k, wait); stored != Stored::Yes) {
                out.result = Result::StoreRefused;
                out.kept = stored == Stored::Kept ? 1 : 0;
                return out;
            }
            ++out.stored;
            m_s.op.waitProgress(progressText(i + 1, total, out.stored));
        }
    }
    if (clearAfter) {
        for (int i = 0; i < total; ++i) {
            const int k = positions[static_cast<std::size_t>(i)];
            const ReaderEntry& reader = m_s.readers.entry(k - 1);
            m_s.op.waitProgress("Cancellazione lettore " + std::to_string(i + 1) + " di " +
                                std::to_string(total) +
                                " - transiti scaricati: " + std::to_string(out.stored));
            if (!accepted(m_s.bus.exchange(reader.busAddress(),
                                           ReaderCommands::clearMemory(reader.busAddress().prefix()),
                                           Timing::Command))) {
                out.result = Result::CommunicationError;
                fail(k, wait);
                return out;
            }
        }
    }
    wait.close();
    m_s.op.message("Messaggio", DoneText, MsgIcon::Information);
    return out;
}

} // namespace sentinex
