#pragma once

#include <functional>
#include <string>

namespace sentinex {

class Clock;
class EventPump;
class Operator;
class ReaderBus;
struct ReaderForm;
struct Settings;

/// Programs the reader the configuration form shows, for stand-alone work, in one run: optional reset
/// and the wait for the reader to come back, then configuration (site code and opening time), options,
/// clock, data positions and, when "Fasce orarie" is ticked, the defined stand-alone bands. Reports by
/// message box; the first failing command ends the run, and what the reader already accepted stays.
/// Nothing is written to the database.
class ReaderProgramming {
public:
    enum class Outcome { Done, Cancelled, Failed };

    static constexpr const char* ResetQuestion = "Vuoi resettare il lettore ?";
    static constexpr const char* NotBackText = "Il lettore non risponde.";
    static constexpr const char* DoneText = "Programmazione effettuata.";
    /// "Annulla" between two commands: the reader holds what it accepted so far.
    static std::string stoppedText(int loop, long long address);
    /// How long a reset reader may take to answer again.
    static constexpr double ComeBackSeconds = 100.0;
    /// The pause before each programming command.
    static constexpr int CommandPauseMs = 100;

    ReaderProgramming(ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump, const Settings& settings);

    /// The run on a validated form (site code six digits). Asks the reset question first (Cancel sends
    /// nothing). The wait form is held for the whole run with its "Annulla"; that button, or
    /// `cancelWait` when given, is asked at every turn of the wait for a reset reader (true ends the run
    /// there without a message: the reader stays reset) and before every programming command (true ends
    /// the run there and says which reader was left half programmed).
    Outcome run(const ReaderForm& form, const std::function<bool()>& cancelWait = {});

private:
    ReaderBus& m_bus;
    Operator& m_op;
    Clock& m_clock;
    EventPump& m_pump;
    const Settings& m_settings;
};

} // namespace sentinex
