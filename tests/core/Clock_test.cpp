#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "support/FakeClock.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(DateTime, WeekdayAndTexts) {
    EXPECT_EQ((DateTime{2026, 1, 4, 0, 0, 0}.weekday()), 0);  // Sunday
    EXPECT_EQ((DateTime{2026, 1, 5, 0, 0, 0}.weekday()), 1);  // Monday
    EXPECT_EQ((DateTime{2024, 2, 29, 0, 0, 0}.weekday()), 4); // Thursday
    EXPECT_EQ((DateTime{2000, 3, 1, 0, 0, 0}.weekday()), 3);  // Wednesday
    const DateTime t{2026, 1, 4, 9, 5, 7};
    EXPECT_EQ(t.dateText(), "04/01/2026");
    EXPECT_EQ(t.timeText(), "09:05");
    EXPECT_EQ(t.generalText(), "04/01/2026 09:05:07");
}

class CountingPump : public EventPump {
public:
    void processEvents() override { ++calls; }
    int calls = 0;
};

TEST(FakeClock, PauseAdvancesMonotonicTimePumpsAndCallsTheHook) {
    testing::FakeClock clock(DateTime{2025, 12, 31, 23, 59, 59});
    CountingPump pump;
    int hooked = 0;
    clock.onPause = [&](int ms) { hooked += ms; };
    const double t0 = clock.monotonicSeconds();
    clock.pause(250, pump);
    clock.pause(0, pump);
    EXPECT_DOUBLE_EQ(clock.monotonicSeconds() - t0, 0.25);
    EXPECT_EQ(pump.calls, 2);
    EXPECT_EQ(hooked, 250);
    EXPECT_EQ(clock.pausedMs, 250);
    EXPECT_EQ(clock.now(), (DateTime{2025, 12, 31, 23, 59, 59})) << "the wall clock stays unless asked";

    clock.wallFollowsPause = true;
    clock.pause(500, pump);
    clock.pause(500, pump);
    EXPECT_EQ(clock.now(), (DateTime{2026, 1, 1, 0, 0, 0}));
}

TEST(FakeClock, AddSecondsCrossesDaysMonthsAndLeapYears) {
    using testing::FakeClock;
    EXPECT_EQ(FakeClock::addSeconds({2024, 2, 28, 23, 0, 0}, 3600), (DateTime{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(FakeClock::addSeconds({2025, 2, 28, 23, 0, 0}, 3600), (DateTime{2025, 3, 1, 0, 0, 0}));
    EXPECT_EQ(FakeClock::addSeconds({2026, 1, 1, 0, 0, 0}, -1), (DateTime{2025, 12, 31, 23, 59, 59}));
    EXPECT_EQ(FakeClock::addSeconds({2026, 1, 5, 10, 0, 0}, 7 * 86400), (DateTime{2026, 1, 12, 10, 0, 0}));
}

} // namespace
} // namespace sentinex
