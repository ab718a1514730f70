#pragma once

#include "link/ReaderAddress.hpp"

#include <string>

namespace sentinex {

class CardFileView;
class Clock;
class EventPump;
class Operator;
class ReaderBus;

/// The two runs of the card-file utility on one "TERA TR-X" reader: capture (cards presented one by one
/// are numbered and appended to a card file) and load (every record of a file sent to the reader). Both
/// ask for the file name, pump window events while they wait and end at the next check once `stop()` has
/// been called; a record already on the wire is finished first.
class CardFileRuns {
public:
    static constexpr const char* NamePrompt =
        "Inserisci il nome del file (senza estensione, al massimo 8 caratteri) :";
    static constexpr const char* ExistsText = "Il file già esiste. I dati verranno messi in coda.";
    static constexpr const char* MissingText = "Il file non esiste.";
    static constexpr const char* StoredText = "Scrittura nel file Ok.";
    static constexpr const char* KnownText = "La carta è già in archivio.";
    static constexpr const char* LoadErrorText = "Errore di comunicazione con il Vireo.";
    static constexpr const char* DoneText = "Programmazione effettuata.";
    /// A card number has three digits in a record: the capture stops after card 999.
    static constexpr int LastNumber = 999;
    static constexpr const char* FullText = "Raggiunto il numero massimo di 999 carte nel file.";

    enum class Outcome { Done, Stopped, Cancelled, Failed };

    CardFileRuns(ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump, CardFileView& view,
                 std::string programFolder, bool beep);

    /// Capture into the file named by the operator; runs until stopped (Stopped), the file is full or
    /// cannot be written (Failed), or no name is given (Cancelled).
    Outcome capture(const ReaderAddress& reader);
    /// Load the file named by the operator into the reader.
    Outcome load(const ReaderAddress& reader);
    /// Ends a running capture or load at its next check.
    void stop() { m_stop = true; }
    /// The name the input box opens with (the card file the polling reads, "FileVireo"), so the usual
    /// file is one Return away; the operator may type another.
    void proposeName(std::string name) { m_proposed = std::move(name); }

private:
    /// Asks until the name passes the file-name rule; empty when the operator gives none.
    std::string askName();
    void pumpFor(int ms, bool beepEachTurn);

    ReaderBus& m_bus;
    Operator& m_op;
    Clock& m_clock;
    EventPump& m_pump;
    CardFileView& m_view;
    std::string m_folder;
    bool m_beep;
    bool m_stop = false;
    std::string m_proposed;
};

} // namespace sentinex
