#pragma once

#include <optional>
#include <string>

namespace sentinex {

/// The date text of a holiday: "dd/mm" for every year, "dd/mm/yyyy" for one date.
class HolidayDate {
public:
    /// The date as it is stored, day and month with two digits ("1/5" gives "01/05"), when `typed`
    /// (blanks around it ignored) is a day and month of one or two digits, optionally with a
    /// four-digit year from 1900 to 9999, naming a real day: 31/04 and 30/02 never, 29/02 every year or
    /// in a leap year only. Nothing otherwise.
    static std::optional<std::string> normalize(const std::string& typed);
};

} // namespace sentinex
