#include "masterdata/TimeChecks.hpp"

#include "support/ScriptedOperator.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;

TEST(TimeChecksTest, TimeTextsAndTheirMessages) {
    struct Case {
        const char* text;
        const char* problem; // nullptr: accepted
    };
    const Case cases[] = {
        {"##:##", nullptr},
        {"00:00", nullptr},
        {"08:30", nullptr},
        {"23:59", nullptr},
        {"8:30", TimeChecks::FormatText},
        {" 7:30", TimeChecks::FormatText}, // would never match a clock
        {"07: 3", TimeChecks::FormatText},
        {"+7:30", TimeChecks::FormatText},
        {"08.30", TimeChecks::FormatText},
        {"08:300", TimeChecks::FormatText},
        {"", TimeChecks::FormatText},
        {"ab:cd", TimeChecks::FormatText},
        {"##:#", TimeChecks::FormatText},
        {"24:00", TimeChecks::TimeErrorText},
        {"12:60", TimeChecks::TimeErrorText},
        {"99:99", TimeChecks::TimeErrorText},
    };
    for (const auto& c : cases) {
        ScriptedOperator op;
        const bool ok = TimeChecks::checkTime(c.text, op);
        EXPECT_EQ(ok, c.problem == nullptr) << "'" << c.text << "'";
        if (c.problem) {
            ASSERT_EQ(op.shown.size(), 1u) << c.text;
            EXPECT_EQ(op.shown[0].title, "Attenzione");
            EXPECT_EQ(op.shown[0].text, c.problem) << c.text;
            EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        } else {
            EXPECT_TRUE(op.shown.empty()) << c.text;
        }
    }
}

TEST(TimeChecksTest, IntervalNeedsBothBoundsAndAStrictOrder) {
    struct Case {
        const char* from;
        const char* to;
        bool ok;
    };
    const Case cases[] = {
        {"##:##", "##:##", true},  {"08:00", "08:01", true},  {"08:59", "09:00", true},
        {"00:00", "23:59", true},  {"08:00", "08:00", false}, {"09:00", "08:59", false},
        {"08:30", "08:10", false}, {"08:00", "##:##", false}, {"##:##", "08:00", false},
    };
    for (const auto& c : cases) {
        ScriptedOperator op;
        EXPECT_EQ(TimeChecks::checkInterval(c.from, c.to, op), c.ok) << c.from << "-" << c.to;
        if (c.ok) {
            EXPECT_TRUE(op.shown.empty());
        } else {
            ASSERT_EQ(op.shown.size(), 1u);
            EXPECT_EQ(op.shown[0].text, "Errore nell'orario.");
            EXPECT_EQ(op.shown[0].title, "Attenzione");
        }
    }
}

} // namespace
} // namespace sentinex
