#include "CalendarDate.hpp"

#include "core/Clock.hpp"
#include "core/Numbers.hpp"

#include <cmath>

namespace sentinex {

namespace {

bool leapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// A run of minLen to maxLen decimal digits, nothing else.
std::optional<int> digits(const std::string& part, std::size_t minLen, std::size_t maxLen) {
    if (part.size() < minLen || part.size() > maxLen) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

const long long kSerialOrigin = daysFromCivil(1899, 12, 30);

} // namespace

std::optional<CalendarDate> CalendarDate::parse(const std::string& raw) {
    const std::string text = trim(raw);
    const std::size_t first = text.find('/');
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t second = text.find('/', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const auto day = digits(text.substr(0, first), 1, 2);
    const auto month = digits(text.substr(first + 1, second - first - 1), 1, 2);
    const std::string yearText = text.substr(second + 1);
    auto year = digits(yearText, 2, 4);
    if (!day || !month || !year || yearText.size() == 3) {
        return std::nullopt;
    }
    if (yearText.size() == 2) {
        *year += *year < 30 ? 2000 : 1900;
    }
    if (*month < 1 || *month > 12 || *year < 100 || *day < 1 || *day > daysInMonth(*year, *month)) {
        return std::nullopt;
    }
    return CalendarDate(*year, *month, *day);
}

CalendarDate CalendarDate::fromDayNumber(double dayNumber, long long* secondOfDay) {
    // A stored fraction of a day is rarely an exact number of seconds: round before splitting.
    const long long seconds = std::llround(dayNumber * 86400.0);
    long long days = seconds / 86400;
    long long inDay = seconds % 86400;
    if (inDay < 0) {
        inDay += 86400;
        --days;
    }
    if (secondOfDay) {
        *secondOfDay = inDay;
    }
    int y = 0;
    int m = 0;
    int d = 0;
    civilFromDays(days + kSerialOrigin, y, m, d);
    return CalendarDate(y, m, d);
}

std::string CalendarDate::timeText(long long secondOfDay) {
    return padLeftZeros(secondOfDay / 3600, 2) + ":" + padLeftZeros(secondOfDay / 60 % 60, 2) + ":" +
           padLeftZeros(secondOfDay % 60, 2);
}

long long CalendarDate::daySerial() const {
    return daysFromCivil(m_year, static_cast<unsigned>(m_month), static_cast<unsigned>(m_day)) -
           kSerialOrigin;
}

long long CalendarDate::dayKey() const {
    return static_cast<long long>(m_year) * 10000 + m_month * 100 + m_day;
}

std::string CalendarDate::text() const {
    return padLeftZeros(m_day, 2) + "/" + padLeftZeros(m_month, 2) + "/" + padLeftZeros(m_year, 4);
}

} // namespace sentinex
