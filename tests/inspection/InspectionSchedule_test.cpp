#include "inspection/InspectionSchedule.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

DateTime at(int day, int hour, int minute, int second) {
    return DateTime{2026, 3, day, hour, minute, second};
}

TEST(InspectionScheduleTest, MinuteOfDayTakesOnlyAValidTime) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"07:30", 450}, {"  07:30  ", 450}, {"00:00", 0},  {"23:59", 1439}, {"##:##", {}},    {"", {}},
        {"7:30", {}},   {"07.30", {}},      {"24:00", {}}, {"12:60", {}},   {"07:30:00", {}}, {"0a:30", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(InspectionSchedule::minuteOfDay(text), expected) << '"' << text << '"';
    }
}

TEST(InspectionScheduleTest, TicksStartTheDrawOnceADay) {
    struct Tick {
        DateTime now;
        bool enabled;
        bool due;
    };
    struct Case {
        const char* name;
        std::string time;
        std::optional<DateTime> start; // end of start-up
        std::vector<Tick> ticks;
    };
    const Case cases[] = {
        {"the tick within the minute",
         "07:30",
         at(9, 7, 28, 10),
         {{at(9, 7, 29, 10), true, false}, {at(9, 7, 30, 10), true, true}, {at(9, 7, 31, 10), true, false}}},
        {"a late tick skips the minute",
         "07:30",
         at(9, 7, 28, 59),
         {{at(9, 7, 29, 59), true, false}, {at(9, 7, 31, 1), true, true}, {at(9, 7, 32, 1), true, false}}},
        {"two ticks within the minute",
         "07:30",
         at(9, 7, 29, 0),
         {{at(9, 7, 30, 0), true, true}, {at(9, 7, 30, 59), true, false}, {at(9, 7, 31, 58), true, false}}},
        {"blanks around the time", " 07:30 ", at(9, 7, 29, 30), {{at(9, 7, 30, 30), true, true}}},
        {"inspection or schedule off",
         "07:30",
         at(9, 7, 29, 30),
         {{at(9, 7, 30, 30), false, false},
          {at(9, 7, 31, 30), true, false},
          {at(10, 7, 30, 30), true, true}}},
        {"every day",
         "07:30",
         at(9, 7, 0, 0),
         {{at(9, 7, 30, 5), true, true}, {at(10, 7, 30, 5), true, true}}},
        {"clock put back over the time",
         "07:30",
         at(9, 7, 29, 30),
         {{at(9, 7, 30, 30), true, true}, {at(9, 7, 29, 0), true, false}, {at(9, 7, 30, 1), true, false}}},
        {"midnight",
         "00:00",
         at(9, 23, 58, 40),
         {{at(9, 23, 59, 40), true, false}, {at(10, 0, 0, 40), true, true}}},
        {"a time already past at start-up", "07:30", at(9, 7, 30, 20), {{at(9, 7, 31, 20), true, false}}},
        {"time not set",
         "##:##",
         at(9, 0, 0, 0),
         {{at(9, 0, 0, 30), true, false}, {at(9, 0, 1, 30), true, false}}},
        {"no start: only the set minute",
         "07:30",
         std::nullopt,
         {{at(9, 7, 30, 45), true, true}, {at(9, 7, 31, 45), true, false}}},
        {"no start: a later minute is not caught up",
         "07:30",
         std::nullopt,
         {{at(9, 7, 31, 0), true, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InspectionSchedule schedule;
        if (c.start) {
            schedule.start(*c.start);
        }
        for (const Tick& t : c.ticks) {
            EXPECT_EQ(schedule.tick(t.now, t.enabled, c.time), t.due) << t.now.generalText();
        }
    }
}

} // namespace
} // namespace sentinex
