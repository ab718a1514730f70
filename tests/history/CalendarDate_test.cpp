#include "history/CalendarDate.hpp"
#include "history/DayPeriod.hpp"

#include "store/Database.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(CalendarDateTest, ReadsTypedDates) {
    struct Case {
        const char* text;
        bool accepted;
        int y, m, d;
    };
    const Case cases[] = {
        {"05/01/2026", true, 2026, 1, 5},
        {"5/1/2026", true, 2026, 1, 5},
        {"  31/12/1999 ", true, 1999, 12, 31},
        {"29/02/2024", true, 2024, 2, 29},
        {"01/03/26", true, 2026, 3, 1}, // two-digit years: 00-29 this century
        {"01/03/30", true, 1930, 3, 1}, // 30-99 the last one
        {"29/02/2025", false, 0, 0, 0}, // no such day
        {"31/04/2026", false, 0, 0, 0},
        {"00/01/2026", false, 0, 0, 0},
        {"01/13/2026", false, 0, 0, 0}, // the month lies from 1 to 12
        {"01/00/2026", false, 0, 0, 0},
        {"", false, 0, 0, 0},
        {"   ", false, 0, 0, 0},
        {"05-01-2026", false, 0, 0, 0},
        {"05/01", false, 0, 0, 0},
        {"05/01/2026/1", false, 0, 0, 0},
        {"05/01/202", false, 0, 0, 0},
        {"05/01/20260", false, 0, 0, 0},
        {"5a/01/2026", false, 0, 0, 0},
        {"05/01/2026 10:00", false, 0, 0, 0},
        {"+5/01/2026", false, 0, 0, 0},
        {"005/01/2026", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto d = CalendarDate::parse(c.text);
        ASSERT_EQ(d.has_value(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(*d, CalendarDate(c.y, c.m, c.d));
        }
    }
}

TEST(CalendarDateTest, DayNumbersCountFromThe30thOfDecember1899AndAgreeWithTheStoresCdate) {
    EXPECT_EQ(CalendarDate(1899, 12, 30).daySerial(), 0);
    EXPECT_EQ(CalendarDate(1900, 1, 1).daySerial(), 2);
    EXPECT_EQ(CalendarDate(1899, 12, 1).daySerial(), -29);
    for (const auto& d : {CalendarDate(2024, 2, 29), CalendarDate(2026, 1, 5), CalendarDate(1999, 12, 31),
                          CalendarDate(2100, 3, 1)}) {
        double cdate = -1;
        ASSERT_TRUE(dateTextToDaySerial(d.text(), cdate));
        EXPECT_EQ(d.daySerial(), static_cast<long long>(cdate)) << d.text();
        EXPECT_EQ(CalendarDate::fromDayNumber(static_cast<double>(d.daySerial())), d);
        EXPECT_EQ(d.dayKey(), d.year() * 10000LL + d.month() * 100 + d.day());
        EXPECT_EQ(*CalendarDate::parse(d.text()), d);
    }
}

TEST(CalendarDateTest, DayNumbersSplitIntoDateAndTimeToTheNearestSecond) {
    struct Case {
        const char* stored; // what CDATE reads into a day number
        const char* date;
        const char* time;
    };
    const Case cases[] = {
        {"05/01/2026 08:59", "05/01/2026", "08:59:00"},
        {"05/01/2026 23:59:59", "05/01/2026", "23:59:59"},
        {"31/12/2025 00:00:01", "31/12/2025", "00:00:01"},
        {"01/03/2024 12:30", "01/03/2024", "12:30:00"},
    };
    for (const auto& c : cases) {
        double n = 0;
        ASSERT_TRUE(dateTextToDaySerial(c.stored, n));
        long long second = -1;
        EXPECT_EQ(CalendarDate::fromDayNumber(n, &second).text(), c.date) << c.stored;
        EXPECT_EQ(CalendarDate::timeText(second), c.time) << c.stored;
        // A value a hair below the second still reads as that second.
        EXPECT_EQ(CalendarDate::fromDayNumber(n - 1e-9, &second).text(), c.date) << c.stored;
        EXPECT_EQ(CalendarDate::timeText(second), c.time) << c.stored;
    }
}

TEST(DayPeriodTest, ValidatesStartThenEndThenTheirOrder) {
    struct Case {
        const char* start;
        const char* end;
        const char* message; // "" when accepted
    };
    const Case cases[] = {
        {"01/01/2026", "31/01/2026", ""},
        {"05/01/2026", "05/01/2026", ""}, // one day
        {"", "31/01/2026", "Data iniziale non valida"},
        {"01/13/2026", "31/01/2026", "Data iniziale non valida"},
        {"xx", "", "Data iniziale non valida"}, // the start is judged first
        {"01/01/2026", "", "Data finale non valida"},
        {"01/01/2026", "30/02/2026", "Data finale non valida"},
        {"02/01/2026", "01/01/2026", "La data finale non può essere antecedente alla finale"},
        {"01/01/2027", "31/12/2026", "La data finale non può essere antecedente alla finale"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        std::string message = "left over";
        const auto p = DayPeriod::read(c.start, c.end, message);
        EXPECT_EQ(p.has_value(), std::string(c.message).empty());
        EXPECT_EQ(message, c.message);
        if (p) {
            EXPECT_EQ(p->start, *CalendarDate::parse(c.start));
            EXPECT_EQ(p->end, *CalendarDate::parse(c.end));
        }
    }
}

} // namespace
} // namespace sentinex
