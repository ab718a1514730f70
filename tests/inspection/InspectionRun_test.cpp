#include "inspection/InspectionRun.hpp"

#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <map>

namespace sentinex {
namespace {

using testing::TestInstall;

struct Row {
    std::string card;
    std::string shift;
    bool enabled = true;
    bool online = true;
    bool marked = false;
};

/// An installation with `rows` in `Carte` and `shifts` in `Fasce` (each `Quanti` 99 beforehand).
void fill(TestInstall& install, const std::vector<Row>& rows, const std::vector<std::string>& shifts) {
    for (const Row& r : rows) {
        install.addUser({.NumeroCarta = r.card,
                         .AbilitaCarta = r.enabled,
                         .Flag_online = r.online,
                         .extra = {{"NomeFascia", r.shift}, {"Imparziale", r.marked ? 1 : 0}}});
    }
    for (const std::string& name : shifts) {
        install.db()->execute("INSERT INTO Fasce (Nome, Quanti) VALUES (?, 99)", {name});
    }
}

std::map<std::string, bool> marks(Database& db) {
    std::map<std::string, bool> out;
    for (const auto& row : db.query("SELECT NumeroCarta, Imparziale FROM Carte")) {
        out[row[0].toString()] = row[1].toBool();
    }
    return out;
}

std::vector<std::int64_t> quanti(Database& db) {
    std::vector<std::int64_t> out;
    for (const auto& row : db.query("SELECT Quanti FROM Fasce ORDER BY rowid")) {
        out.push_back(row[0].toInt());
    }
    return out;
}

TEST(InspectionRunTest, WritesCountsReplacesTheOldDrawAndMarksOnlyEligibleUsers) {
    TestInstall install;
    fill(install,
         {
             {"0001", "Mattino", true, true, false},
             {"0002", "Mattino  ", true, true, false},
             {"0003", "Mattino", true, true, false},
             {"0004", "Mattino", false, true, true}, // disabled card, marked by an old draw
             {"0005", "Mattino", true, false, true}, // not online, marked by an old draw
             {"0006", "Notte", true, true, false},
             {"0007", "Altro", true, true, true}, // no shift record, marked by an old draw
         },
         {"Mattino", "Notte", "Sera"});
    InspectionDraw::Random random(1);
    EXPECT_EQ(InspectionRun::run(*install.db(), 2, random), InspectionRun::Outcome::Drawn);

    EXPECT_EQ(quanti(*install.db()), (std::vector<std::int64_t>{3, 1, 0}));
    const auto m = marks(*install.db());
    EXPECT_EQ(m.at("0001") + m.at("0002") + m.at("0003"), 2);
    EXPECT_TRUE(m.at("0006")); // a shift with fewer users than asked is taken whole
    EXPECT_FALSE(m.at("0004"));
    EXPECT_FALSE(m.at("0005"));
    EXPECT_FALSE(m.at("0007"));
}

TEST(InspectionRunTest, MissingUsersOrShiftsClearTheMarksAndDrawNothing) {
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> shifts;
    };
    const Case cases[] = {
        {"no users", {}, {"Mattino"}},
        {"no shifts", {{"0001", "Mattino", true, true, true}, {"0002", "Mattino", true, true, true}}, {}},
        {"neither", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestInstall install;
        fill(install, c.rows, c.shifts);
        InspectionDraw::Random random(1);
        EXPECT_EQ(InspectionRun::run(*install.db(), 1, random), InspectionRun::Outcome::NoData);
        for (const auto& [card, marked] : marks(*install.db())) {
            EXPECT_FALSE(marked) << card;
        }
        EXPECT_EQ(quanti(*install.db()), std::vector<std::int64_t>(c.shifts.size(), 99));
    }
}

TEST(InspectionRunTest, AFailedRunLeavesTheOldDrawAndCounts) {
    TestInstall install;
    fill(install, {{"0001", "Mattino", true, true, true}, {"0002", "Mattino", true, true, false}},
         {"Mattino"});
    // The counts cannot be written: the whole run, clearing included, must be undone.
    install.db()->executeScript("CREATE TRIGGER refuse_quanti BEFORE UPDATE OF Quanti ON Fasce BEGIN SELECT "
                                "RAISE(ABORT, 'refused'); END;");
    InspectionDraw::Random random(1);
    EXPECT_THROW(InspectionRun::run(*install.db(), 1, random), DatabaseError);
    EXPECT_EQ(marks(*install.db()), (std::map<std::string, bool>{{"0001", true}, {"0002", false}}));
    EXPECT_EQ(quanti(*install.db()), (std::vector<std::int64_t>{99}));
}

TEST(InspectionRunTest, ShiftNamesAndCardTextsAreDataNotSql) {
    TestInstall install;
    const std::string odd = "Turno'; DELETE FROM Carte; --";
    fill(install, {{"0001", odd, true, true, false}, {"0002", odd + " ", true, true, false}}, {odd});
    InspectionDraw::Random random(5);
    EXPECT_EQ(InspectionRun::run(*install.db(), 5, random), InspectionRun::Outcome::Drawn);
    EXPECT_EQ(quanti(*install.db()), (std::vector<std::int64_t>{2}));
    EXPECT_EQ(marks(*install.db()), (std::map<std::string, bool>{{"0001", true}, {"0002", true}}));
}

} // namespace
} // namespace sentinex
