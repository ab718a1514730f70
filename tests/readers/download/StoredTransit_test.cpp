#include "readers/download/StoredTransit.hpp"

#include "core/Clock.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

TEST(StoredTransitTest, CutsTheFieldsAtTheirPositionsInBothModes) {
    // Position 1 is the start byte; the address, then "Z" at position 4.
    const std::string four = std::string("\x02") + "01Z" + "0042" + "0905" + "0301" + "\x05" + "k";
    const StoredTransit t4 = StoredTransit::fromReply(four, true);
    EXPECT_EQ(t4.card, "0042");
    EXPECT_EQ(t4.hour, "09");
    EXPECT_EQ(t4.minute, "05");
    EXPECT_EQ(t4.day, "03");
    EXPECT_EQ(t4.month, "01");
    EXPECT_EQ(t4.cardNumber(true), "0042");
    EXPECT_EQ(t4.timeText(), "09:05");

    const std::string three = std::string("\x02") + "01Z" + "042" + "2359" + "3112" + "\x05" + "k";
    const StoredTransit t3 = StoredTransit::fromReply(three, false);
    EXPECT_EQ(t3.card, "042");
    EXPECT_EQ(t3.cardNumber(false), "0042");
    EXPECT_EQ(t3.timeText(), "23:59");
    EXPECT_EQ(t3.day, "31");
    EXPECT_EQ(t3.month, "12");

    // A reply cut short gives short fields, never an error.
    const StoredTransit cut = StoredTransit::fromReply(std::string("\x02") + "01Z00", true);
    EXPECT_EQ(cut.card, "00");
    EXPECT_EQ(cut.hour, "");
    EXPECT_EQ(cut.month, "");
}

TEST(StoredTransitTest, YearRuleTakesLastYearOnlyForStampsAfterThePresentMoment) {
    struct Case {
        const char* what;
        const char* day;
        const char* month;
        const char* time; // HH:MM of the record
        DateTime now;
        int year;
    };
    const Case cases[] = {
        {"earlier this year", "03", "01", "09:05", {2026, 1, 4, 10, 0, 0}, 2026},
        {"date after today", "03", "01", "09:05", {2026, 1, 2, 10, 0, 0}, 2025},
        {"today, later time", "10", "12", "23:50", {2026, 12, 10, 10, 0, 0}, 2025},
        {"today, same minute", "10", "12", "10:00", {2026, 12, 10, 10, 0, 0}, 2026},
        {"today, earlier time", "10", "12", "09:59", {2026, 12, 10, 10, 0, 0}, 2026},
        {"new year's eve read on new year's day", "31", "12", "23:59", {2027, 1, 1, 0, 5, 0}, 2026},
        {"new year's day read on new year's day", "01", "01", "00:01", {2027, 1, 1, 0, 5, 0}, 2027},
        // 29 February never lands in a year without it: the latest earlier year that has it.
        {"29/02 this year, not leap", "29", "02", "08:00", {2026, 12, 10, 10, 0, 0}, 2024},
        {"29/02 read on 1 March of a non-leap year", "29", "02", "08:00", {2025, 3, 1, 10, 0, 0}, 2024},
        {"29/02 last year, leap", "29", "02", "08:00", {2029, 2, 1, 10, 0, 0}, 2028},
        {"29/02 this year, leap", "29", "02", "08:00", {2028, 3, 1, 10, 0, 0}, 2028},
        {"29/02 later today in a leap year", "29", "02", "23:00", {2028, 2, 29, 10, 0, 0}, 2024},
        {"29/02 in a century year", "29", "02", "08:00", {2100, 3, 1, 10, 0, 0}, 2096},
        {"29/02 in a year divisible by 400", "29", "02", "08:00", {2000, 3, 1, 10, 0, 0}, 2000},
        {"28/02 is left alone", "28", "02", "08:00", {2026, 12, 10, 10, 0, 0}, 2026},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string time = c.time;
        EXPECT_EQ(StoredTransit::yearOf(c.day, c.month, time.substr(0, 2), time.substr(3, 2), c.now), c.year);
    }
}

TEST(StoredTransitTest, DateTextCarriesTheYearOfTheRule) {
    StoredTransit t{"0042", "09", "05", "03", "01"};
    EXPECT_EQ(t.dateText({2026, 1, 4, 10, 0, 0}), "03/01/2026");
    EXPECT_EQ(t.dateText({2026, 1, 2, 10, 0, 0}), "03/01/2025");
}

} // namespace
} // namespace sentinex
