#include "FakeClock.hpp"

#include "core/EventPump.hpp"

#include <cmath>

namespace sentinex::testing {

namespace {

long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
}

} // namespace

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
