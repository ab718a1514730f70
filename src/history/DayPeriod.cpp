#include "DayPeriod.hpp"

namespace sentinex {

std::optional<DayPeriod> DayPeriod::read(const std::string& startText, const std::string& endText,
                                         std::string& message) {
    const auto start = CalendarDate::parse(startText);
    if (!start) {
        message = kBadStart;
        return std::nullopt;
    }
    const auto end = CalendarDate::parse(endText);
    if (!end) {
        message = kBadEnd;
        return std::nullopt;
    }
    if (end->daySerial() < start->daySerial()) {
        message = kEndBeforeStart;
        return std::nullopt;
    }
    message.clear();
    return DayPeriod{*start, *end};
}

} // namespace sentinex
