#pragma once

#include <string>

namespace sentinex {

class Operator;

/// The checks of a time of day "HH:MM" and of an interval, wherever times are typed (the band form,
/// the settings dialog's stand-alone bands). Messages are titled "Attenzione" with the exclamation icon.
class TimeChecks {
public:
    static constexpr const char* UnsetTime = "##:##";
    static constexpr const char* FormatText = "Formato dell'orario HH:MM";
    static constexpr const char* TimeErrorText = "Errore nell'orario.";

    /// Nothing (nullptr) when `text` is "##:##" or a valid time; otherwise the message to show. Digits
    /// are required at characters 1-2 and 4-5, so " 7:30" (which would never match a clock) is refused.
    static const char* timeProblem(const std::string& text);
    /// Nothing when both bounds are "##:##" or the from-time is strictly earlier than the to-time;
    /// otherwise "Errore nell'orario.". Both texts must have passed the time check.
    static const char* intervalProblem(const std::string& from, const std::string& to);

    /// timeProblem, showing the message; true when the time is fine.
    static bool checkTime(const std::string& text, Operator& op);
    /// intervalProblem, showing the message; true when the interval is fine.
    static bool checkInterval(const std::string& from, const std::string& to, Operator& op);
};

} // namespace sentinex
