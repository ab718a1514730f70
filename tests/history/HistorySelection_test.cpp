#include "HistoryFixture.hpp"

#include "history/HistoryArchive.hpp"
#include "history/HistorySelection.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace sentinex {
namespace {

using testing::addTransits;
using testing::rowsOf;
using testing::TestInstall;
using testing::TransitRow;

/// An older installation (fields that accept Null) and a fresh report database.
class SelectionTest : public ::testing::Test {
protected:
    SelectionTest()
        : mainDb(Database::create(dir.file("Sentinex.mdb"), testing::legacyMainSchema())),
          reportDb(
              Database::create(dir.file("RepSentinex.mdb"), TestInstall::kitFile("RepSentinex.sql"), false)),
          archive(mainDb, reportDb) {}

    std::vector<std::string> tempRows(const std::string& columns) {
        return rowsOf(*reportDb, "SELECT " + columns + " FROM temp ORDER BY rowid");
    }

    testing::TempDir dir;
    std::shared_ptr<Database> mainDb;
    std::shared_ptr<Database> reportDb;
    HistoryArchive archive;
};

struct Record {
    const char* nota; // nullptr = Null
    int passaggio;    // -1 = Null
    const char* verso;
};

std::string labelOf(const Record& r) {
    return std::string(r.nota ? r.nota : "null") + "/" +
           (r.passaggio < 0 ? std::string("null") : std::to_string(r.passaggio)) + "/" + r.verso;
}

// Every combination of the six boxes against every kind of record, including refusals whose nota or
// Passaggio is Null: what the search copies into temp must be what the box table says.
TEST_F(SelectionTest, EveryCombinationOfTheSixBoxesSelectsWhatTheTableSays) {
    std::vector<Record> records;
    std::vector<TransitRow> rows;
    int day = 1;
    for (const char* nota : {"Passaggio", "OffLine", static_cast<const char*>(nullptr), "Fuori fascia"}) {
        for (int passaggio : {1, 0, -1}) {
            for (const char* verso : {"In", "Out", "InOut"}) {
                const Record r{nota, passaggio, verso};
                records.push_back(r);
                TransitRow row;
                row.nota = nota ? Value(nota) : Value();
                row.Passaggio = passaggio < 0 ? Value() : Value(passaggio);
                row.verso = verso;
                row.PosizioneLettore = labelOf(r);
                row.Data =
                    (day < 10 ? "0" : "") + std::to_string(day) + "/03/2025"; // spread over the history
                day = day % 28 + 1;
                rows.push_back(row);
            }
        }
    }
    addTransits(*mainDb, rows);

    using Pred = std::function<bool(const Record&)>;
    const auto offline = [](const Record& r) { return r.nota && std::string(r.nota) == "OffLine"; };
    const auto passage = [](const Record& r) { return r.passaggio == 1; }; // Null reads as False
    const char* const combination =
        "Combinazione selezioni non valida. Nell' offline non sono registrati i rifiuti";
    struct Row {
        bool p, r, on, off;
        const char* stop;
        const char* warning;
        Pred selected;
    };
    const std::vector<Row> table = {
        {true, false, false, true, nullptr, nullptr, [&](const Record& x) { return offline(x); }},
        {true, false, true, false, nullptr, nullptr,
         [&](const Record& x) { return !offline(x) && passage(x); }},
        {true, false, true, true, nullptr, nullptr, [&](const Record& x) { return passage(x); }},
        {false, true, false, true, combination, nullptr, nullptr},
        {false, true, true, false, nullptr, nullptr,
         [&](const Record& x) { return !offline(x) && !passage(x); }},
        {false, true, true, true, combination, nullptr, nullptr},
        {true, true, false, true, combination, nullptr, nullptr},
        {true, true, true, false, nullptr, nullptr, [&](const Record& x) { return !offline(x); }},
        {true, true, true, true, nullptr, "Attenzione ! Nell'offline non sono registrati i rifiuti",
         [](const Record&) { return true; }},
    };

    int searched = 0;
    for (int bits = 0; bits < 64; ++bits) {
        HistoryChoices c;
        c.wholeHistory = true;
        c.ingressi = bits & 1;
        c.uscite = bits & 2;
        c.passaggi = bits & 4;
        c.rifiuti = bits & 8;
        c.onLine = bits & 16;
        c.offLine = bits & 32;
        SCOPED_TRACE("I U P R On Off = " + std::to_string(c.ingressi) + std::to_string(c.uscite) +
                     std::to_string(c.passaggi) + std::to_string(c.rifiuti) + std::to_string(c.onLine) +
                     std::to_string(c.offLine));
        const SelectionPlan plan = HistorySelection::plan(c);
        if (!c.ingressi && !c.uscite) {
            EXPECT_EQ(plan.stopMessage, "Occorre almeno una selezione tra Ingressi ed Uscite");
            continue;
        }
        if (!c.passaggi && !c.rifiuti) {
            EXPECT_EQ(plan.stopMessage, "Occorre almeno una selezione tra Passaggi e Rifiuti");
            continue;
        }
        if (!c.onLine && !c.offLine) {
            EXPECT_EQ(plan.stopMessage, "Occorre almeno una selezione tra online e offline");
            continue;
        }
        const Row* row = nullptr;
        for (const auto& t : table) {
            if (t.p == c.passaggi && t.r == c.rifiuti && t.on == c.onLine && t.off == c.offLine) {
                row = &t;
            }
        }
        ASSERT_NE(row, nullptr);
        if (row->stop) {
            EXPECT_EQ(plan.stopMessage, row->stop);
            continue;
        }
        ASSERT_FALSE(plan.stops()) << plan.stopMessage;
        EXPECT_EQ(plan.warning, row->warning ? row->warning : "");
        std::set<std::string> expected;
        for (const auto& r : records) {
            const std::string v = r.verso;
            const bool direction =
                (c.ingressi && c.uscite) || (c.ingressi && v != "Out") || (c.uscite && v != "In");
            if (direction && row->selected(r)) {
                expected.insert(labelOf(r));
            }
        }
        const auto copied = archive.fillTemp(plan);
        const auto got = tempRows("causale");
        EXPECT_EQ(std::set<std::string>(got.begin(), got.end()), expected);
        EXPECT_EQ(copied, static_cast<std::int64_t>(got.size()));
        ++searched;
    }
    EXPECT_EQ(searched, 6 * 3); // six table rows that search, three direction choices each
}

TEST_F(SelectionTest, WholeHistoryWithOnlyEntriesPutsWhereBeforeTheDirectionGroup) {
    HistoryChoices c;
    c.wholeHistory = true;
    c.offLine = true;
    c.uscite = false;
    const SelectionPlan plan = HistorySelection::plan(c);
    EXPECT_EQ(plan.whereClause, " WHERE (verso = 'In' OR verso = 'InOut')");
    EXPECT_TRUE(plan.params.empty());
    const std::string sql = HistorySelection::selectStatement(plan);
    EXPECT_NE(sql.find("FROM \"main\".transiti WHERE (verso = 'In' OR verso = 'InOut') ORDER BY"),
              std::string::npos)
        << sql;
}

// One badge over a period, exits only: the badge typed short or long, dates in the stored form and in
// the other forms CDATE reads, the day order, ties in insertion order.
TEST_F(SelectionTest, SingleBadgePeriodAndDirectionSelectInDayTimeAndInsertionOrder) {
    auto t = [](const char* badge, const char* data, const char* ora, const char* verso, const char* where) {
        TransitRow r;
        r.NumeroBadge = badge;
        r.Data = data;
        r.Ora = ora;
        r.verso = verso;
        r.PosizioneLettore = where;
        return r;
    };
    addTransits(*mainDb, {
                             t("0012", "04/01/2026", "12:00", "Out", "day before"),
                             t("0012", "06/01/2026", "07:00", "InOut", "turnstile 6th"),
                             t("0012", "05/01/2026", "12:00", "Out", "tie first"),
                             t("0012", "05/01/2026", "08:00", "In", "entry"),
                             t("0099", "05/01/2026", "09:00", "InOut", "other badge"),
                             t("0012", "5/1/2026", "09:00", "Out", "short date"),
                             t("0012", "05/01/2026", "12:00", "Out", "tie second"),
                             t("0012", "07/01/2026", "08:00", "Out", "day after"),
                             t("0012", "31/02/2026", "08:00", "Out", "no such day"),
                             t("0012", "06/01/2026 10:00", "08:00", "Out", "end day with a time"),
                             t("012", "05/01/2026", "08:00", "Out", "badge not padded"),
                         });
    const std::vector<std::string> expected = {
        "short date|0012|5/1/2026|09:00|Out", "tie first|0012|05/01/2026|12:00|Out",
        "tie second|0012|05/01/2026|12:00|Out", "turnstile 6th|0012|06/01/2026|07:00|InOut"};
    for (const char* typed : {"12", "0012", "120012", "  12"}) {
        SCOPED_TRACE(typed);
        HistoryChoices c;
        c.start = CalendarDate(2026, 1, 5);
        c.end = CalendarDate(2026, 1, 6);
        c.singleBadge = true;
        c.badgeText = typed;
        c.ingressi = false;
        const SelectionPlan plan = HistorySelection::plan(c);
        const std::string badge = std::string(typed) == "  12" ? "  12" : "0012";
        EXPECT_EQ(plan.badge, badge);
        archive.fillTemp(plan);
        if (badge == "0012") {
            EXPECT_EQ(tempRows("causale, NumeroBadge, Data, Ora, verso"), expected);
        } else {
            EXPECT_TRUE(tempRows("causale").empty()); // "  12" keeps its blanks: no such badge
        }
    }
    // Equal start and end select that one day.
    HistoryChoices one;
    one.start = one.end = CalendarDate(2026, 1, 4);
    archive.fillTemp(HistorySelection::plan(one));
    EXPECT_EQ(tempRows("causale"), std::vector<std::string>{"day before"});
}

TEST_F(SelectionTest, TypedBadgeTextIsDataNotSql) {
    addTransits(*mainDb, {{}, {}});
    for (const char* typed : {"' OR '1'='1", "0') OR (1=1", "\"; DROP TABLE transiti; --"}) {
        HistoryChoices c;
        c.wholeHistory = true;
        c.singleBadge = true;
        c.badgeText = typed;
        EXPECT_EQ(archive.fillTemp(HistorySelection::plan(c)), 0) << typed;
    }
    EXPECT_EQ(mainDb->query("SELECT count(*) FROM transiti").at(0).at(0).toInt(), 2);
}

TEST_F(SelectionTest, TempRecordsCarryTheTransitWithItsDateAndTime) {
    TransitRow r;
    r.PosizioneLettore = "Cancello";
    r.Data = "05/01/2026";
    r.Ora = "08:59";
    r.Passaggio = 0;
    r.nota = "Fuori fascia";
    TransitRow noTime = r;
    noTime.Ora = "";
    addTransits(*mainDb, {r, noTime});
    HistoryChoices c;
    c.start = c.end = CalendarDate(2026, 1, 5);
    EXPECT_EQ(archive.fillTemp(HistorySelection::plan(c)), 2);
    double expected = 0;
    ASSERT_TRUE(dateTextToDaySerial("05/01/2026 08:59", expected));
    const auto rows = reportDb->query("SELECT Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, "
                                      "dataora, passaggio FROM temp ORDER BY rowid");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rowsOf(*reportDb,
                     "SELECT Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, passaggio "
                     "FROM temp ORDER BY rowid"),
              (std::vector<std::string>{"Rossi|Mario||0012|05/01/2026|Cancello|Fuori fascia|In|0",
                                        "Rossi|Mario|08:59|0012|05/01/2026|Cancello|Fuori fascia|In|0"}));
    EXPECT_DOUBLE_EQ(rows[0][8].toDouble(), CalendarDate(2026, 1, 5).daySerial());
    EXPECT_DOUBLE_EQ(rows[1][8].toDouble(), expected);
}

TEST_F(SelectionTest, AFailedFillLeavesThePreviousSelectionInTemp) {
    addTransits(*mainDb, {{}, {}, {}});
    HistoryChoices c;
    c.wholeHistory = true;
    ASSERT_EQ(archive.fillTemp(HistorySelection::plan(c)), 3);
    reportDb->executeScript(
        "CREATE TRIGGER no_more BEFORE INSERT ON temp WHEN (SELECT count(*) FROM temp) = 0 "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    EXPECT_THROW(archive.fillTemp(HistorySelection::plan(c)), DatabaseError);
    EXPECT_EQ(tempRows("count(*)"), std::vector<std::string>{"3"});
    // The main database is not left attached to the report connection (the connection's own temporary
    // schema may be listed beside its file).
    for (const auto& db : reportDb->query("PRAGMA database_list")) {
        EXPECT_NE(db.at(1).toString(), HistoryArchive::kTransitSchema);
        EXPECT_NE(db.at(2).toString(), mainDb->path());
    }
}

TEST_F(SelectionTest, ASecondFillReplacesTheSelectionAndKeepsTheIndexesAndTriggersOfTemp) {
    TransitRow other;
    other.NumeroBadge = "0034";
    addTransits(*mainDb, {{}, {}, other});
    reportDb->executeScript(
        "CREATE INDEX temp_badge ON temp (NumeroBadge);"
        "CREATE TABLE fills (n INTEGER);"
        "CREATE TRIGGER count_fills AFTER INSERT ON temp BEGIN INSERT INTO fills VALUES (1); END;");
    HistoryChoices c;
    c.wholeHistory = true;
    ASSERT_EQ(archive.fillTemp(HistorySelection::plan(c)), 3);
    c.singleBadge = true;
    c.badgeText = "34";
    ASSERT_EQ(archive.fillTemp(HistorySelection::plan(c)), 1);

    // Only the new selection, numbered from 1 as the viewer's pages read it.
    EXPECT_EQ(tempRows("rowid, NumeroBadge"), std::vector<std::string>{"1|0034"});
    EXPECT_EQ(rowsOf(*reportDb, "SELECT type || ' ' || name FROM sqlite_master WHERE tbl_name = 'temp' "
                                "ORDER BY name"),
              (std::vector<std::string>{"trigger count_fills", "table temp", "index temp_badge"}));
    EXPECT_EQ(rowsOf(*reportDb, "SELECT count(*) FROM fills"), std::vector<std::string>{"4"});
    // The selection set aside while copying is gone.
    EXPECT_FALSE(reportDb->hasRelation(HistoryArchive::kPreviousSelection));
}

TEST(HistorySelectionTest, BadgeIsTheLastFourCharactersOfZerosAndTheTypedText) {
    const std::pair<const char*, const char*> cases[] = {
        {"12", "0012"}, {"", "0000"}, {"120012", "0012"}, {"1234", "1234"}, {"x", "000x"}, {"àbcdé", "bcdé"},
    };
    for (const auto& [typed, badge] : cases) {
        EXPECT_EQ(HistorySelection::fourCharacterBadge(typed), badge) << typed;
    }
}

TEST(HistorySelectionTest, CaptionDescribesTheSelection) {
    HistoryChoices c;
    c.start = CalendarDate(2026, 1, 5);
    c.end = CalendarDate(2026, 1, 31);
    EXPECT_EQ(HistorySelection::caption(c), "Storico del periodo 05/01/2026 - 31/01/2026");
    c.singleBadge = true;
    c.badgeText = "7";
    EXPECT_EQ(HistorySelection::caption(c), "Storico del periodo 05/01/2026 - 31/01/2026 Badge 0007");
    c.wholeHistory = true;
    EXPECT_EQ(HistorySelection::caption(c), "Storico totale");
}

} // namespace
} // namespace sentinex
