#include "FakeClock.hpp"

#include "core/EventPump.hpp"

#include <cmath>

namespace sentinex::testing {

DateTime FakeClock::addSeconds(const DateTime& t, long long seconds) {
    long long total =
        daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) * 86400 +
        t.hour * 3600 + t.minute * 60 + t.second + seconds;
    long long days = total / 86400;
    long long rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime r;
    civilFromDays(days, r.year, r.month, r.day);
    r.hour = static_cast<int>(rest / 3600);
    r.minute = static_cast<int>(rest % 3600 / 60);
    r.second = static_cast<int>(rest % 60);
    return r;
}

void FakeClock::advance(double seconds) {
    monotonic += seconds;
    if (wallFollowsPause) {
        m_wallFraction += seconds;
        const double whole = std::floor(m_wallFraction);
        m_wallFraction -= whole;
        current = addSeconds(current, static_cast<long long>(whole));
    }
}

void FakeClock::pause(int ms, EventPump& pump) {
    ++pauseCalls;
    pausedMs += ms;
    advance(ms / 1000.0);
    pump.processEvents();
    if (onPause) {
        onPause(ms);
    }
}

} // namespace sentinex::testing
