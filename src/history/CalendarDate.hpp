#pragma once

#include <optional>
#include <string>

namespace sentinex {

/// A calendar day of the history: what the operator types as a period bound and what a transit's `Data`
/// text names.
class CalendarDate {
public:
    CalendarDate() = default;
    CalendarDate(int year, int month, int day) : m_year(year), m_month(month), m_day(day) {}

    /// Reads a date typed as day/month/year: blanks around it are ignored, day and month take one or
    /// two digits, the year four digits (or two: 30-99 are 19xx, 00-29 are 20xx, as the system's date
    /// conversion reads them). The day must exist in its month. Nothing else is accepted.
    static std::optional<CalendarDate> parse(const std::string& text);
    /// The date of a day number (days since 30 December 1899, the time of day as the fraction), taken to
    /// the nearest second; `secondOfDay`, when given, receives the time of day in seconds (0..86399).
    static CalendarDate fromDayNumber(double dayNumber, long long* secondOfDay = nullptr);

    int year() const { return m_year; }
    int month() const { return m_month; }
    int day() const { return m_day; }

    /// Days since 30 December 1899: the number the history's date conditions compare.
    long long daySerial() const;
    /// year * 10000 + month * 100 + day: the key the history index orders transits by.
    long long dayKey() const;
    /// "dd/mm/yyyy", the short date form shown in captions and questions.
    std::string text() const;
    /// "hh:mm:ss" of a time of day in seconds.
    static std::string timeText(long long secondOfDay);

    bool operator==(const CalendarDate&) const = default;

private:
    int m_year = 1899;
    int m_month = 12;
    int m_day = 30;
};

} // namespace sentinex
