#include "Clock.hpp"

#include "EventPump.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace sentinex {

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
