#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

class EventPump;

/// Local calendar date and time of day.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    /// 0 = Sunday ... 6 = Saturday.
    int weekday() const;
    /// "dd/mm/yyyy".
    std::string dateText() const;
    /// "HH:MM".
    std::string timeText() const;
    /// The general date-and-time text shown on the main window: "dd/mm/yyyy HH:MM:SS".
    std::string generalText() const;
    bool operator==(const DateTime&) const = default;
};

/// Days since 1 January 1970 of a proleptic Gregorian date (negative before it).
long long daysFromCivil(long long year, unsigned month, unsigned day);
/// The date of a day count since 1 January 1970.
void civilFromDays(long long days, int& year, int& month, int& day);

/// Time source. The real one reads the system clock; tests script it.
class Clock {
public:
    virtual ~Clock() = default;
    /// Local date and time now.
    virtual DateTime now() const = 0;
    /// Seconds on a monotonic clock: only differences mean anything; never goes back, spans midnight.
    virtual double monotonicSeconds() const = 0;
    /// Waits `ms` milliseconds, calling `pump` while it waits (at least once).
    virtual void pause(int ms, EventPump& pump) = 0;
};

/// The system clock; `pause` sleeps in short slices between pumps.
class SystemClock final : public Clock {
public:
    DateTime now() const override;
    double monotonicSeconds() const override;
    void pause(int ms, EventPump& pump) override;
};

} // namespace sentinex
