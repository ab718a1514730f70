#include "masterdata/HolidayDate.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(HolidayDateTest, RealDaysAreWrittenInFullOthersRefused) {
    const struct {
        const char* typed;
        const char* stored; // nullptr: refused
    } cases[] = {
        {"25/12", "25/12"},
        {"1/5", "01/05"},
        {" 06/01 ", "06/01"},
        {"08/12/2025", "08/12/2025"},
        {"8/12/2025", "08/12/2025"},
        {"31/01", "31/01"},
        {"31/04", nullptr}, // April has 30 days
        {"31/04/2026", nullptr},
        {"30/02", nullptr},
        {"29/02", "29/02"}, // every year: a leap year has it
        {"29/02/2028", "29/02/2028"},
        {"29/02/2026", nullptr},
        {"29/02/2100", nullptr}, // a century that is not a leap year
        {"29/02/2000", "29/02/2000"},
        {"00/05", nullptr},
        {"12/13", nullptr},
        {"12/00", nullptr},
        {"25-12", nullptr},
        {"25/12/25", nullptr}, // the year has four digits
        {"25/12/1899", nullptr},
        {"251/2", nullptr},
        {"/12", nullptr},
        {"25/", nullptr},
        {"25/12/", nullptr},
        {"1/1/2026/1", nullptr},
        {"a1/01", nullptr},
        {"", nullptr},
        {"   ", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::optional<std::string> stored = HolidayDate::normalize(c.typed);
        if (c.stored) {
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(*stored, c.stored);
        } else {
            EXPECT_FALSE(stored.has_value()) << *stored;
        }
    }
}

} // namespace
} // namespace sentinex
