#include "Clock.hpp"

#include "EventPump.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace sentinex {

// Howard Hinnant's civil-date algorithms.
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

int DateTime::weekday() const {
    // Sakamoto's method; 0 = Sunday.
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = year - (month < 3 ? 1 : 0);
    return (y + y / 4 - y / 100 + y / 400 + t[(month - 1) % 12] + day) % 7;
}

std::string DateTime::dateText() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", day, month, year);
    return buf;
}

std::string DateTime::timeText() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", hour, minute);
    return buf;
}

std::string DateTime::generalText() const {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", day, month, year, hour, minute, second);
    return buf;
}

DateTime SystemClock::now() const {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

double SystemClock::monotonicSeconds() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::pause(int ms, EventPump& pump) {
    const double end = monotonicSeconds() + ms / 1000.0;
    pump.processEvents();
    while (monotonicSeconds() < end) {
        const double left = end - monotonicSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(left < 0.002 ? left : 0.002));
        pump.processEvents();
    }
}

} // namespace sentinex
