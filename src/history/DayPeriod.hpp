#pragma once

#include "CalendarDate.hpp"

#include <optional>
#include <string>

namespace sentinex {

/// A period of days, both ends included, as the history viewer searches and deletes it.
struct DayPeriod {
    static constexpr const char* kBadStart = "Data iniziale non valida";
    static constexpr const char* kBadEnd = "Data finale non valida";
    static constexpr const char* kEndBeforeStart = "La data finale non può essere antecedente alla finale";

    CalendarDate start;
    CalendarDate end;

    /// The period typed in the two date fields. A date is accepted when it is not empty, the number
    /// between its first and second "/" lies from 1 to 12 and the text reads as a date; the end may
    /// equal the start but not precede it. On refusal `message` receives the message to show (the start
    /// date is judged first).
    static std::optional<DayPeriod> read(const std::string& startText, const std::string& endText,
                                         std::string& message);
};

} // namespace sentinex
