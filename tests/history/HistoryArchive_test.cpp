#include "HistoryFixture.hpp"

#include "history/HistoryArchive.hpp"
#include "history/HistorySelection.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::addTransits;
using testing::rowsOf;
using testing::TestInstall;
using testing::TransitRow;

class DeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto at = [](const char* data, const char* where) {
            TransitRow r;
            r.Data = data;
            r.PosizioneLettore = where;
            return r;
        };
        addTransits(*install.db(), {at("03/01/2026", "before"), at("04/01/2026", "first day"),
                                    at("4/1/2026", "first day, short form"), at("05/01/2026", "inside"),
                                    at("06/01/2026", "last day"), at("07/01/2026", "after"),
                                    at("06/01/2026 10:00", "last day with a time"), at("junk", "no date")});
        HistoryChoices all;
        all.wholeHistory = true;
        ASSERT_EQ(archive.fillTemp(HistorySelection::plan(all)), 8);
    }
    std::vector<std::string> left() {
        return rowsOf(*install.db(), "SELECT PosizioneLettore FROM transiti ORDER BY indice");
    }
    std::int64_t tempCount() {
        return install.reportDb()->query("SELECT count(*) FROM temp").at(0).at(0).toInt();
    }

    TestInstall install;
    HistoryArchive archive{install.db(), install.reportDb()};
};

TEST_F(DeletionTest, APeriodDeletesItsDaysBothEndsIncludedAndEmptiesTemp) {
    EXPECT_EQ(archive.deleteHistory(DayPeriod{CalendarDate(2026, 1, 4), CalendarDate(2026, 1, 6)}), 4);
    // A text with a time of day lies after the end day's number, as the day-number comparison reads it.
    EXPECT_EQ(left(), (std::vector<std::string>{"before", "after", "last day with a time", "no date"}));
    EXPECT_EQ(tempCount(), 0);

    EXPECT_EQ(archive.deleteHistory(DayPeriod{CalendarDate(2026, 1, 3), CalendarDate(2026, 1, 3)}), 1);
    EXPECT_EQ(left(), (std::vector<std::string>{"after", "last day with a time", "no date"}));
}

TEST_F(DeletionTest, WholeHistoryLeavesTransitiAndTempEmpty) {
    EXPECT_EQ(archive.deleteHistory(std::nullopt), 8);
    EXPECT_TRUE(left().empty());
    EXPECT_EQ(tempCount(), 0);
}

TEST_F(DeletionTest, AFailureDeletesNothing) {
    // Emptying temp fails after the transits were deleted inside the same transaction.
    install.reportDb()->executeScript(
        "CREATE TRIGGER keep BEFORE DELETE ON temp BEGIN SELECT RAISE(ABORT, 'locked'); END;");
    EXPECT_THROW(archive.deleteHistory(std::nullopt), DatabaseError);
    EXPECT_THROW(archive.deleteHistory(DayPeriod{CalendarDate(2026, 1, 4), CalendarDate(2026, 1, 6)}),
                 DatabaseError);
    EXPECT_EQ(left().size(), 8u);
    EXPECT_EQ(tempCount(), 8);
    // A main database that cannot be written: nothing goes either.
    install.reportDb()->executeScript("DROP TRIGGER keep;");
    install.db()->executeScript("CREATE TRIGGER keep BEFORE DELETE ON transiti WHEN old.Data = 'junk' BEGIN "
                                "SELECT RAISE(ABORT, 'x'); END;");
    EXPECT_THROW(archive.deleteHistory(std::nullopt), DatabaseError);
    EXPECT_EQ(left().size(), 8u);
    EXPECT_EQ(tempCount(), 8);
}

} // namespace
} // namespace sentinex
