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
    /// How long a reset reader may take to answer again.
    static constexpr double ComeBackSeconds = 100.0;
    /// The pause before each programming command.
    static constexpr int CommandPauseMs = 100;

    /// Said when the run is stopped after the reader took a reset or a command: which reader is left
    /// half programmed.
    static std::string halfProgrammedText(const ReaderForm& form);

    ReaderProgramming(ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump, const Settings& settings);

    /// The run on a validated form (site code six digits). Asks the reset question first (Cancel sends
    /// nothing). The run owns the screen behind the wait form; its stop button (or `cancelWait`, when
    /// given) is asked at every turn of the wait for a reset reader and before every command: the run
    /// ends there, saying which reader was left half programmed when it had taken anything.
    Outcome run(const ReaderForm& form, const std::function<bool()>& cancelWait = {});

private:
    ReaderBus& m_bus;
    Operator& m_op;
    Clock& m_clock;
    EventPump& m_pump;
    const Settings& m_settings;
};

} // namespace sentinex
