#include "backup/BackupSchedule.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(BackupScheduleTest, DueOnceADayFromTheSetTime) {
    const struct {
        const char* what;
        const char* time;
        DateTime now;
        bool madeToday;
        bool due;
    } cases[] = {
        {"a minute before", "02:30", {2026, 3, 14, 2, 29, 59}, false, false},
        {"at the time", "02:30", {2026, 3, 14, 2, 30, 0}, false, true},
        {"later the same day (the program was off)", "02:30", {2026, 3, 14, 17, 5, 0}, false, true},
        {"a backup of today exists", "02:30", {2026, 3, 14, 2, 30, 0}, true, false},
        {"no time set", "", {2026, 3, 14, 2, 30, 0}, false, false},
        {"the unset time", "##:##", {2026, 3, 14, 2, 30, 0}, false, false},
        {"not a time", "25:00", {2026, 3, 14, 23, 59, 0}, false, false},
        {"midnight", "00:00", {2026, 3, 14, 0, 0, 0}, false, true},
    };
    for (const auto& c : cases) {
        BackupSchedule schedule;
        EXPECT_EQ(schedule.due(c.now, c.time, [&] { return c.madeToday; }), c.due) << c.what;
    }
}

TEST(BackupScheduleTest, AStartedBackupIsNotStartedAgainThatDayButIsTheNext) {
    BackupSchedule schedule;
    const auto none = [] { return false; };
    const DateTime at{2026, 3, 14, 2, 30, 0};
    ASSERT_TRUE(schedule.due(at, "02:30", none));
    schedule.started(at);
    // A failed one leaves no folder: the day is still spent, so a full disk is said once a day.
    EXPECT_FALSE(schedule.due({2026, 3, 14, 2, 31, 0}, "02:30", none));
    EXPECT_FALSE(schedule.due({2026, 3, 14, 23, 59, 0}, "02:30", none));
    EXPECT_FALSE(schedule.due({2026, 3, 15, 2, 29, 0}, "02:30", none));
    EXPECT_TRUE(schedule.due({2026, 3, 15, 2, 30, 0}, "02:30", none));
}

} // namespace
} // namespace sentinex
