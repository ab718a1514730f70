#include "HistoryFixture.hpp"

#include "history/HistoryArchive.hpp"
#include "history/HistoryIndexes.hpp"
#include "history/HistorySelection.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

namespace sentinex {
namespace {

using testing::TestInstall;

std::string queryPlan(Database& db, const std::string& sql, const std::vector<Value>& params) {
    std::string plan;
    for (const auto& row : db.query("EXPLAIN QUERY PLAN " + sql, params)) {
        plan += row.back().toString() + "\n";
    }
    return plan;
}

bool hasIndex(Database& db, const std::string& name) {
    return !db.query("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?", {Value(name)}).empty();
}

// The index narrows a period search to a range of day keys: every text the store's CDATE reads as a
// date must get the key of that date, or its transit would silently drop out of the search.
TEST(HistoryIndexesTest, DayKeyIsTheDateOfEveryTextCdateReadsAsADate) {
    testing::TempDir dir;
    auto db = Database::create(dir.file("k.db"), "CREATE TABLE t (x);");
    SqlStatement key(db->handle(),
                     "SELECT " + HistoryIndexes::dayKeyExpression() + " FROM (SELECT ? AS Data)");
    std::vector<std::string> texts = {"05/01/2026", "5/1/2026",         " 5/01/2026",       "\t05/1/2026 ",
                                      "31/12/1999", "05/01/2026 08:00", "5/1/2026 8:05:09", "29/02/2024"};
    std::mt19937 rng(1234);
    const std::string alphabet = "0123456789/ :\tx";
    for (int i = 0; i < 20000; ++i) {
        // Mostly date-shaped texts with random widths, blanks and tails; some pure noise.
        std::string t;
        if (i % 4 == 0) {
            const int n = static_cast<int>(rng() % 20);
            for (int k = 0; k < n; ++k) {
                t += alphabet[rng() % alphabet.size()];
            }
        } else {
            t = std::string(rng() % 3, ' ') + std::to_string(rng() % 32) + "/" + std::to_string(rng() % 14) +
                "/" + std::to_string(1990 + rng() % 50) +
                (rng() % 3 == 0 ? " " + std::to_string(rng() % 25) + ":" + std::to_string(10 + rng() % 50)
                                : "");
        }
        texts.push_back(t);
    }
    int dates = 0;
    for (const auto& t : texts) {
        double serial = 0;
        if (!dateTextToDaySerial(t, serial)) {
            continue;
        }
        ++dates;
        const CalendarDate d = CalendarDate::fromDayNumber(std::floor(serial));
        key.bind({Value(t)});
        ASSERT_TRUE(key.step());
        EXPECT_EQ(key.column(0).toInt(), d.dayKey()) << '"' << t << '"';
    }
    EXPECT_GT(dates, 5000); // the generator did produce dates
}

TEST(HistoryIndexesTest, OlderFilesGetTheIndexesAndTheKitHasThem) {
    TestInstall install;
    EXPECT_TRUE(hasIndex(*install.db(), "transiti_Giorno"));
    EXPECT_TRUE(hasIndex(*install.db(), "transiti_OffLine"));

    testing::TempDir dir;
    auto legacy = Database::create(dir.file("Sentinex.mdb"), testing::legacyMainSchema());
    testing::addTransits(*legacy, {{}, {}});
    ASSERT_FALSE(hasIndex(*legacy, "transiti_Giorno"));
    ASSERT_FALSE(hasIndex(*legacy, "transiti_OffLine"));
    HistoryIndexes::ensure(*legacy);
    EXPECT_TRUE(hasIndex(*legacy, "transiti_Giorno"));
    EXPECT_TRUE(hasIndex(*legacy, "transiti_OffLine"));
    HistoryIndexes::ensure(*legacy); // a second time changes nothing
    EXPECT_EQ(
        legacy->query("SELECT count(*) FROM sqlite_master WHERE name LIKE 'transiti_%'").at(0).at(0).toInt(),
        4);

    // The history service adds them on its own to a file that lacks them.
    auto legacy2 = Database::create(dir.file("Old.mdb"), testing::legacyMainSchema());
    auto report = Database::create(dir.file("Rep.mdb"), TestInstall::kitFile("RepSentinex.sql"), false);
    HistoryArchive archive(legacy2, report);
    EXPECT_TRUE(hasIndex(*legacy2, "transiti_Giorno"));
}

TEST(HistoryIndexesTest, SearchesAndTheStoricoSourceReadThroughTheIndexes) {
    TestInstall install;
    Database& db = *install.db();
    HistoryChoices period;
    period.start = CalendarDate(2026, 1, 1);
    period.end = CalendarDate(2026, 1, 31);
    const SelectionPlan plan = HistorySelection::plan(period);
    const std::string periodPlan = queryPlan(db, HistorySelection::selectStatement(plan), plan.params);
    EXPECT_NE(periodPlan.find("USING INDEX transiti_Giorno"), std::string::npos) << periodPlan;
    EXPECT_EQ(periodPlan.find("TEMP B-TREE"), std::string::npos) << periodPlan; // the index gives the order

    HistoryChoices whole;
    whole.wholeHistory = true;
    whole.offLine = true;
    const SelectionPlan all = HistorySelection::plan(whole);
    const std::string wholePlan = queryPlan(db, HistorySelection::selectStatement(all), all.params);
    EXPECT_EQ(wholePlan.find("TEMP B-TREE"), std::string::npos) << wholePlan;

    // What binding the download's record source runs, and reading it.
    for (const char* sql : {"SELECT 1 FROM \"Storico\" LIMIT 1", "SELECT * FROM \"Storico\""}) {
        const std::string p = queryPlan(db, sql, {});
        EXPECT_NE(p.find("transiti_OffLine"), std::string::npos) << sql << "\n" << p;
        EXPECT_EQ(p.find("SCAN transiti"), std::string::npos) << sql << "\n" << p;
    }
}

TEST(HistoryIndexesTest, TheFileStaysWritableWithoutTheProgramsFunctions) {
    TestInstall install;
    const std::string path = install.folder().database();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(raw,
                                "INSERT INTO transiti (NumeroBadge, Data, Ora, nota) VALUES "
                                "('0001', '05/01/2026', '08:00', 'OffLine');"
                                "UPDATE transiti SET Data = '06/01/2026';"
                                "DELETE FROM transiti;",
                                nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(raw);
}

} // namespace
} // namespace sentinex
