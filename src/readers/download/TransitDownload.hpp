#pragma once

#include "DownloadedTransit.hpp"

#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class WaitScope;

class Clock;
class Database;
class DownloadSink;
class EventPump;
class Operator;
class ReaderBus;
class ReaderList;
struct ReaderEntry;

/// The download of the stand-alone readers' stored transits into the history ("DownLoad storico"):
/// a start pass ("Q") over the selected readers, then one record per exchange ("S") appended to the record
/// source "Storico" as it arrives, then, when asked, the clearing of their memories ("E01"). Every
/// communication failure ends the run with "Errore di comunicazione." titled with the reader.
class TransitDownload {
public:
    static constexpr const char* ChooseReaderText = "Scegliere il lettore.";
    static constexpr const char* NoSuchReaderText = "Il lettore impostato non esiste.";
    static constexpr const char* CommunicationErrorText = "Errore di comunicazione.";
    static constexpr const char* DoneText = "Operazione completata.";
    /// Pause before each "S".
    static constexpr int NextPauseMs = 10;

    enum class Result {
        Done,               // every selected reader emptied (and cleared when asked)
        CommunicationError, // a reader failed; what it sent before stays stored
        StoreRefused,       // the database refused a record: kept by the sink, the run stopped there
    };
    struct Outcome {
        Result result = Result::Done;
        int stored = 0; // records stored in "Storico"
        int kept = 0;   // records handed to the sink (0 or 1: the run stops at the first)
    };

    struct Services {
        Database& db;
        const ReaderList& readers;
        ReaderBus& bus;
        Operator& op;
        Clock& clock;
        EventPump& pump;
        DownloadSink* sink = nullptr; // where a refused record goes; none: it is only named in the message
    };

    explicit TransitDownload(Services services);

    /// A line of the reader chooser: "Lettore " + position + " - situato presso : " + location.
    static std::string chooserLine(int position, const ReaderEntry& reader);
    /// `Label1`: "Numero lettori : " + count.
    static std::string countText(int readerCount);
    /// `Label2`: whether the memories are cleared after the download ("CancellaStorico").
    static std::string clearingNote(bool clearAfter);
    /// The reader chosen with "Singolo lettore": the number from the ninth character of the chooser text
    /// on. Shows "Scegliere il lettore." for an empty text and "Il lettore impostato non esiste." for a
    /// number outside 1..readerCount (both "Errore", exclamation icon) and returns nothing then.
    static std::optional<int> chosenReader(const std::string& chooserText, int readerCount, Operator& op);
    /// Title of the failure messages: "Lettore " + position + " situato presso " + location.
    static std::string readerTitle(int position, const ReaderEntry& reader);

    /// Downloads the readers at `positions` (1-based, list order) with the wait form and its progress
    /// shown; clears their memories afterwards when `clearAfter`. Shows the outcome: "Operazione
    /// completata." with the number of records stored, or the failure with what was stored before it.
    Outcome run(const std::vector<int>& positions, bool fourDigit, bool clearAfter);

private:
    enum class Stored { Yes, Kept, Lost };
    /// Appends one record to "Storico"; on a refusal hands it to the sink and says so (the run stops).
    Stored store(const DownloadedTransit& record, int position, WaitScope& wait);
    void fail(int position, WaitScope& wait);

    Services m_s;
};

} // namespace sentinex
