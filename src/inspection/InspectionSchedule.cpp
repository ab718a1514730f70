#include "InspectionSchedule.hpp"

#include "core/Numbers.hpp"

#include <cctype>

namespace sentinex {

namespace {

long long dayOf(const DateTime& t) {
    return daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
}

long long secondsOf(const DateTime& t) {
    return dayOf(t) * 86400 + t.hour * 3600LL + t.minute * 60LL + t.second;
}

} // namespace

std::optional<int> InspectionSchedule::minuteOfDay(const std::string& text) {
    const std::string t = trim(text);
    const auto digit = [&](std::size_t i) { return std::isdigit(static_cast<unsigned char>(t[i])) != 0; };
    if (t.size() != 5 || t[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
        return std::nullopt;
    }
    const int hour = (t[0] - '0') * 10 + (t[1] - '0');
    const int minute = (t[3] - '0') * 10 + (t[4] - '0');
    if (hour > 23 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

void InspectionSchedule::start(const DateTime& now) {
    m_lastTick = secondsOf(now);
}

bool InspectionSchedule::tick(const DateTime& now, bool enabled, const std::string& timeOfDay) {
    const long long nowSeconds = secondsOf(now);
    const std::optional<long long> previous = m_lastTick;
    m_lastTick = nowSeconds;
    if (!enabled) {
        return false;
    }
    const std::optional<int> minute = minuteOfDay(timeOfDay);
    if (!minute) {
        return false;
    }
    // The latest moment at the set time of day that is not after now: today's, or yesterday's.
    long long day = dayOf(now);
    if (now.hour * 60 + now.minute < *minute) {
        --day;
    }
    const long long due = day * 86400 + *minute * 60LL;
    // Without an earlier tick only the set minute itself counts.
    const bool reached = previous ? (due > *previous && due <= nowSeconds) : (nowSeconds - due < 60);
    // A clock put back over the set time would otherwise start a second draw the same day, and that
    // would clear the releases made since the first.
    if (!reached || m_lastRunDay == day) {
        return false;
    }
    m_lastRunDay = day;
    return true;
}

} // namespace sentinex
