#pragma once

#include <functional>

namespace sentinex {

class Clock;
class EventPump;
class Operator;
class ReaderBus;
class ReaderList;

/// "Elimina storico da tutti i lettori": the transit memory of every reader cleared ("E01"), reader by
/// reader in list order, after the operator's Yes; the first failure ends the run with "Errore di
/// comunicazione." titled with the reader.
class ReaderMemoryClearing {
public:
    static constexpr const char* NoReadersText = "Non ci sono lettori.";
    static constexpr const char* Question =
        "Sei sicuro di eliminare dai tutti i lettori lo storico delle transazioni ?";
    static constexpr const char* DoneText = "Cancellazione effettuata.";
    static constexpr const char* CommunicationErrorText = "Errore di comunicazione.";
    /// Pause before each reader's command.
    static constexpr int PauseMs = 100;

    enum class Outcome { Refused, Declined, Failed, Done };

    /// `setFormEnabled` disables the starting form for the run (false) and gives it back (true).
    static Outcome run(const ReaderList& readers, ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump,
                       bool pollingOn, bool outputOn, const std::function<void(bool)>& setFormEnabled);
};

} // namespace sentinex
