#include "online/CardRecord.hpp"
#include "online/TimeBands.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

struct IntervalCase {
    const char* from1;
    const char* to1;
    const char* from2;
    const char* to2;
    int hour;
    int minute;
    bool allowed;
};

TEST(TimeBandsTest, IntervalTestBandEdges) {
    const IntervalCase cases[] = {
        {"08:00", "12:00", "##:##", "##:##", 8, 0, true},
        {"08:00", "12:00", "##:##", "##:##", 12, 0, true},
        {"08:00", "12:00", "##:##", "##:##", 7, 59, false},
        {"08:00", "12:00", "##:##", "##:##", 12, 1, false},
        {"08:30", "09:15", "##:##", "##:##", 8, 30, true},
        {"08:30", "09:15", "##:##", "##:##", 9, 0, true},
        {"08:30", "09:15", "##:##", "##:##", 9, 15, true},
        {"08:30", "09:15", "##:##", "##:##", 8, 29, false},
        {"08:30", "09:15", "##:##", "##:##", 9, 16, false},
        {"08:10", "08:50", "##:##", "##:##", 8, 10, true},
        {"08:10", "08:50", "##:##", "##:##", 8, 50, true},
        {"08:10", "08:50", "##:##", "##:##", 8, 9, false},
        {"08:10", "08:50", "##:##", "##:##", 8, 51, false},
        // Interval 1 unset in one bound only: ignored, interval 2 decides.
        {"##:##", "12:00", "14:00", "18:00", 10, 0, false},
        {"08:00", "##:##", "14:00", "18:00", 10, 0, false},
        {"##:##", "##:##", "14:00", "18:00", 15, 0, true},
        {"##:##", "##:##", "14:00", "18:00", 18, 1, false},
        // Second interval tested after a first that does not contain the moment.
        {"08:00", "12:00", "14:00", "18:00", 13, 0, false},
        {"08:00", "12:00", "14:00", "18:00", 14, 0, true},
        // No interval used: the whole day.
        {"##:##", "##:##", "##:##", "##:##", 0, 0, true},
        {"##:##", "##:##", "##:##", "##:##", 23, 59, true},
        // Start after end: never.
        {"22:00", "06:00", "##:##", "##:##", 23, 0, false},
        {"22:00", "06:00", "##:##", "##:##", 5, 0, false},
        {"22:00", "06:00", "##:##", "##:##", 22, 0, false},
        // Bounds not of the form HH:MM: empty is 00:00 and the interval is used.
        {"", "", "##:##", "##:##", 0, 0, true},
        {"", "", "##:##", "##:##", 0, 1, false},
        {"9", "10:00", "##:##", "##:##", 9, 0, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TimeBands::intervalTest(c.from1, c.to1, c.from2, c.to2, c.hour, c.minute), c.allowed)
            << c.from1 << "-" << c.to1 << " / " << c.from2 << "-" << c.to2 << " at " << c.hour << ":"
            << c.minute;
    }
}

CardRecord bandUser() {
    CardRecord c;
    c.Flag_fasce = Value(true);
    for (auto& f : c.dayFlag) {
        f = Value(true);
    }
    for (auto& day : c.interval) {
        day = {"##:##", "##:##", "##:##", "##:##"};
    }
    return c;
}

// 2026-01-05 is a Monday.
DateTime at(int day, int hour, int minute) {
    return DateTime{2026, 1, day, hour, minute, 30};
}

TEST(TimeBandsTest, DayFlagAndMessagesNameTheDayWithAccent) {
    const char* names[7] = {"Domenica", "Lunedì", "Martedì", "Mercoledì", "Giovedì", "Venerdì", "Sabato"};
    for (int d = 0; d < 7; ++d) {
        CardRecord c = bandUser();
        const DateTime now = at(4 + d, 10, 0); // 4 January 2026 is a Sunday
        ASSERT_EQ(now.weekday(), d);
        c.dayFlag[static_cast<std::size_t>(d)] = Value(false);
        BandVerdict v = TimeBands::evaluate(c, now);
        EXPECT_FALSE(v.allowed);
        EXPECT_EQ(v.message, std::string(" - Accesso negato - Giorno non abilitato (") + names[d] + ")");

        c = bandUser();
        c.interval[static_cast<std::size_t>(d)] = {"08:00", "09:00", "##:##", "##:##"};
        v = TimeBands::evaluate(c, now);
        EXPECT_FALSE(v.allowed);
        EXPECT_EQ(v.message, std::string(" - Accesso negato - Fuori fascia oraria (") + names[d] + ")");
    }
}

TEST(TimeBandsTest, OnlyTodaysFieldsCountAndNullsAreLenient) {
    CardRecord c = bandUser();
    // Monday's interval closes at 09:00; Tuesday's fields would allow 10:00 but are not today's.
    c.interval[1] = {"08:00", "09:00", "##:##", "##:##"};
    c.interval[2] = {"08:00", "18:00", "##:##", "##:##"};
    c.dayFlag[0] = Value(false);
    EXPECT_FALSE(TimeBands::evaluate(c, at(5, 10, 0)).allowed);
    EXPECT_TRUE(TimeBands::evaluate(c, at(5, 9, 0)).allowed);
    EXPECT_TRUE(TimeBands::evaluate(c, at(6, 10, 0)).allowed);

    // A Null day flag counts as enabled.
    c.dayFlag[1] = Value();
    EXPECT_TRUE(TimeBands::evaluate(c, at(5, 8, 30)).allowed);

    // Bands off (False or Null): never refused, even on a disabled day.
    c.dayFlag[1] = Value(false);
    c.Flag_fasce = Value(false);
    EXPECT_TRUE(TimeBands::evaluate(c, at(5, 23, 0)).allowed);
    c.Flag_fasce = Value();
    EXPECT_TRUE(TimeBands::evaluate(c, at(5, 23, 0)).allowed);
}

} // namespace
} // namespace sentinex
