#include "online/EasterDate.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(EasterDateTest, SundayAndMondayOfKnownYears) {
    const struct {
        int year;
        int month;
        int day; // Easter Sunday
        int mondayMonth;
        int mondayDay;
    } cases[] = {
        {2024, 3, 31, 4, 1}, // Monday in the next month
        {2025, 4, 20, 4, 21}, {2026, 4, 5, 4, 6},
        {2038, 4, 25, 4, 26}, // Easter on 25 April, Monday the day after
        {2011, 4, 24, 4, 25}, // Easter Monday falls on 25 April
        {2008, 3, 23, 3, 24}, {2000, 4, 23, 4, 24},
        {2285, 3, 22, 3, 23}, // the earliest possible Easter
        {1943, 4, 25, 4, 26}, // the latest possible Easter
        {2100, 3, 28, 3, 29}, // a century year that is not a leap year
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year);
        const DateTime sunday = EasterDate::sunday(c.year);
        EXPECT_EQ(sunday.year, c.year);
        EXPECT_EQ(sunday.month, c.month);
        EXPECT_EQ(sunday.day, c.day);
        EXPECT_EQ(sunday.weekday(), 0);
        const DateTime monday = EasterDate::monday(c.year);
        EXPECT_EQ(monday.year, c.year);
        EXPECT_EQ(monday.month, c.mondayMonth);
        EXPECT_EQ(monday.day, c.mondayDay);
        EXPECT_EQ(monday.weekday(), 1);
        EXPECT_EQ(monday.hour * 60 + monday.minute, 0);
    }
}

} // namespace
} // namespace sentinex
