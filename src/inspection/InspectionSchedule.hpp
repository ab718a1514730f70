#pragma once

#include "core/Clock.hpp"

#include <optional>
#include <string>

namespace sentinex {

/// Whether a tick of the inspection clock (`Timer3`, once a minute) starts the daily draw.
///
/// The draw is due on the first tick at or after the time of day "OraImparziale", once a day: a tick
/// that comes late and skips that minute still starts it, and two ticks within that minute start it
/// once. It remembers the previous tick and the day of the last scheduled draw.
class InspectionSchedule {
public:
    /// "HH:MM" (blanks at both ends ignored) as minutes since midnight; nothing for any other text,
    /// "##:##" and the empty text included.
    static std::optional<int> minuteOfDay(const std::string& text);

    /// Takes `now` as the moment of the previous tick (the end of start-up), so a time of day already
    /// past then is not caught up.
    void start(const DateTime& now);

    /// One tick at `now`: true when the draw is due. `enabled` is "ScattareAdOrario" and "Imparziale"
    /// both on; `timeOfDay` is "OraImparziale". A disabled tick is still remembered, so switching the
    /// schedule on later does not catch up a time that passed meanwhile.
    bool tick(const DateTime& now, bool enabled, const std::string& timeOfDay);

private:
    std::optional<long long> m_lastTick;   // seconds since 1 January 1970, local time
    std::optional<long long> m_lastRunDay; // days since 1 January 1970
};

} // namespace sentinex
