#include "HistoryFixture.hpp"

#include "history/AttendanceComputation.hpp"
#include "history/AttendancePairing.hpp"
#include "history/AttendanceWriter.hpp"
#include "history/CalendarDate.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::rowsOf;
using testing::TestInstall;

/// A `temp` record as the search writes it.
struct TempRow {
    const char* badge;
    const char* verso;
    const char* when; // "dd/mm/yyyy HH:MM[:SS]", as dataora is computed from Data and Ora
    int passaggio = 1;
    const char* surname = "Rossi";
};

const std::string kNone = "=================";

class AttendanceTest : public ::testing::Test {
protected:
    void fillTemp(const std::vector<TempRow>& rows) {
        Database& rep = *install.reportDb();
        rep.execute("DELETE FROM temp");
        for (const auto& r : rows) {
            double dataora = 0;
            ASSERT_TRUE(dateTextToDaySerial(r.when, dataora)) << r.when;
            rep.execute("INSERT INTO temp (Cognome, Nome, NumeroBadge, verso, dataora, passaggio, Data, Ora) "
                        "VALUES (?, 'Mario', ?, ?, ?, ?, ?, ?)",
                        {r.surname, r.badge, r.verso, dataora, r.passaggio, std::string(r.when).substr(0, 10),
                         std::string(r.when).substr(11)});
        }
    }
    /// presenze as "surname badge: entry > exit = h:m", with the two missing flags.
    std::vector<std::string> presenze() {
        std::vector<std::string> out;
        for (const auto& r : install.reportDb()->query(
                 "SELECT cognome, numerobadge, sdataingresso, sdataUscita, numeroore, numerominuti, "
                 "mancaingresso, "
                 "mancauscita, dataingresso, dataUscita FROM presenze ORDER BY rowid")) {
            std::string line = r[0].toString() + " " + r[1].toString() + ": " + r[2].toString() + " > " +
                               r[3].toString() + " = " + (r[4].isNull() ? "-" : r[4].toString()) + ":" +
                               (r[5].isNull() ? "-" : r[5].toString());
            // The flags and the stored dates agree with the texts.
            EXPECT_EQ(r[6].toBool(), r[2].toString() == kNone) << line;
            EXPECT_EQ(r[7].toBool(), r[3].toString() == kNone) << line;
            EXPECT_EQ(r[8].isNull(), r[6].toBool()) << line;
            EXPECT_EQ(r[9].isNull(), r[7].toBool()) << line;
            out.push_back(line);
        }
        return out;
    }
    TestInstall install;
};

TEST_F(AttendanceTest, PairsEntriesWithTheNextExitOfTheSameBadge) {
    struct Case {
        const char* name;
        std::vector<TempRow> temp;
        std::vector<std::string> rows;
        bool turnstile = false;
    };
    const std::vector<Case> cases = {
        {"one minute across the hour",
         {{"0012", "In", "05/01/2026 08:59"}, {"0012", "Out", "05/01/2026 09:00"}},
         {"Rossi 0012: 05/01/26-08:59:00 > 05/01/26-09:00:00 = 0:1"}},
        {"a working day",
         {{"0012", "In", "05/01/2026 08:00"}, {"0012", "Out", "05/01/2026 17:30"}},
         {"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-17:30:00 = 9:30"}},
        {"a night across midnight",
         {{"0012", "In", "05/01/2026 22:30"}, {"0012", "Out", "06/01/2026 06:15"}},
         {"Rossi 0012: 05/01/26-22:30:00 > 06/01/26-06:15:00 = 7:45"}},
        {"seconds are ignored",
         {{"0012", "In", "05/01/2026 08:00:50"}, {"0012", "Out", "05/01/2026 08:01:10"}},
         {"Rossi 0012: 05/01/26-08:00:50 > 05/01/26-08:01:10 = 0:1"}},
        {"exit only",
         {{"0012", "Out", "05/01/2026 17:00"}},
         {"Rossi 0012: " + kNone + " > 05/01/26-17:00:00 = -:-"}},
        {"last record of the selection is an exit without entry",
         {{"0012", "In", "05/01/2026 08:00"},
          {"0012", "Out", "05/01/2026 12:00"},
          {"0099", "Out", "05/01/2026 13:00", 1, "Verdi"}},
         {"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-12:00:00 = 4:0",
          "Verdi 0099: " + kNone + " > 05/01/26-13:00:00 = -:-"}},
        {"InOut only",
         {{"0012", "InOut", "05/01/2026 08:00"}, {"0012", "InOut", "05/01/2026 09:00"}},
         {},
         true},
        {"empty selection", {}, {}},
        {"entry left open at the end",
         {{"0012", "In", "05/01/2026 08:00"}},
         {"Rossi 0012: 05/01/26-08:00:00 > " + kNone + " = -:-"}},
        {"two entries in a row",
         {{"0012", "In", "05/01/2026 08:00"},
          {"0012", "In", "05/01/2026 09:00"},
          {"0012", "Out", "05/01/2026 10:00"}},
         {"Rossi 0012: 05/01/26-08:00:00 > " + kNone + " = -:-",
          "Rossi 0012: 05/01/26-09:00:00 > 05/01/26-10:00:00 = 1:0"}},
        {"two exits in a row",
         {{"0012", "In", "05/01/2026 08:00"},
          {"0012", "Out", "05/01/2026 09:00"},
          {"0012", "Out", "05/01/2026 10:00"}},
         {"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-09:00:00 = 1:0",
          "Rossi 0012: " + kNone + " > 05/01/26-10:00:00 = -:-"}},
        {"an entry then another badge",
         {{"0012", "In", "05/01/2026 08:00"}, {"0013", "Out", "05/01/2026 09:00"}},
         {"Rossi 0012: 05/01/26-08:00:00 > " + kNone + " = -:-",
          "Rossi 0013: " + kNone + " > 05/01/26-09:00:00 = -:-"}},
        {"a turnstile between entry and exit does not break the pair",
         {{"0012", "In", "05/01/2026 08:00"},
          {"0012", "InOut", "05/01/2026 09:00"},
          {"0012", "Out", "05/01/2026 10:05"}},
         {"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-10:05:00 = 2:5"},
         true},
        {"refusals never take part",
         {{"0012", "In", "05/01/2026 07:00", 0},
          {"0012", "In", "05/01/2026 08:00"},
          {"0012", "Out", "05/01/2026 09:00", 0}},
         {"Rossi 0012: 05/01/26-08:00:00 > " + kNone + " = -:-"}},
        {"directions in any letter case, others ignored",
         {{"0012", "in", "05/01/2026 08:00"},
          {"0012", "Lato", "05/01/2026 08:30"},
          {"0012", "OUT", "05/01/2026 09:00"}},
         {"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-09:00:00 = 1:0"}},
        {"pairs follow time, not the order in temp",
         {{"0012", "Out", "06/01/2026 06:00"}, {"0012", "In", "05/01/2026 22:00"}},
         {"Rossi 0012: 05/01/26-22:00:00 > 06/01/26-06:00:00 = 8:0"}},
        {"entry and exit of the same minute pair in the order they were copied",
         {{"0012", "In", "05/01/2026 08:00"}, {"0012", "Out", "05/01/2026 08:00"}},
         {"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-08:00:00 = 0:0"}},
        {"exit copied before the entry of the same minute",
         {{"0012", "Out", "05/01/2026 08:00"}, {"0012", "In", "05/01/2026 08:00"}},
         {"Rossi 0012: " + kNone + " > 05/01/26-08:00:00 = -:-",
          "Rossi 0012: 05/01/26-08:00:00 > " + kNone + " = -:-"}},
        {"names equal but for letter case are one person",
         {{"0012", "In", "05/01/2026 08:00", 1, "ROSSI"}, {"0012", "Out", "05/01/2026 09:00", 1, "Rossi"}},
         {"ROSSI 0012: 05/01/26-08:00:00 > 05/01/26-09:00:00 = 1:0"}},
        {"surnames sort regardless of letter case",
         {{"0002", "Out", "05/01/2026 08:00", 1, "Rossi"}, {"0001", "Out", "05/01/2026 09:00", 1, "bianchi"}},
         {"bianchi 0001: " + kNone + " > 05/01/26-09:00:00 = -:-",
          "Rossi 0002: " + kNone + " > 05/01/26-08:00:00 = -:-"}},
    };
    install.reportDb()->execute("INSERT INTO presenze (cognome) VALUES ('from the last computation')");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fillTemp(c.temp);
        const AttendanceResult result = AttendanceComputation::run(*install.reportDb());
        EXPECT_EQ(presenze(), c.rows);
        EXPECT_EQ(result.rows, static_cast<std::int64_t>(c.rows.size()));
        EXPECT_EQ(result.turnstileFound, c.turnstile);
    }
}

TEST_F(AttendanceTest, ManyPassagesOfOneMinuteKeepTheOrderTheyWereCopiedIn) {
    // A turnstile-like burst: 60 alternating entries and exits of one badge within the same minute, mixed
    // with another person's, pair entry with exit one after the other.
    std::vector<TempRow> rows;
    for (int i = 0; i < 60; ++i) {
        rows.push_back({"0012", i % 2 == 0 ? "In" : "Out", "05/01/2026 08:00"});
        rows.push_back({"0099", i % 2 == 0 ? "Out" : "In", "05/01/2026 08:00", 1, "Verdi"});
    }
    fillTemp(rows);
    AttendanceComputation::run(*install.reportDb());
    const auto got = presenze();
    ASSERT_EQ(got.size(), 30u + 31u);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(got[static_cast<std::size_t>(i)], "Rossi 0012: 05/01/26-08:00:00 > 05/01/26-08:00:00 = 0:0")
            << i;
    }
    // The other badge starts with an exit and ends with an entry.
    EXPECT_EQ(got[30], "Verdi 0099: " + kNone + " > 05/01/26-08:00:00 = -:-");
    EXPECT_EQ(got.back(), "Verdi 0099: 05/01/26-08:00:00 > " + kNone + " = -:-");
}

TEST_F(AttendanceTest, PassagesWithoutAReadableDateOrTimeAreLeftOutAndNamed) {
    fillTemp({{"0012", "In", "05/01/2026 08:00"}, {"0012", "Out", "05/01/2026 17:00"}});
    Database& rep = *install.reportDb();
    // As the search copies them: a date or time the engine cannot read gives no dataora.
    rep.execute("INSERT INTO temp (Cognome, Nome, NumeroBadge, verso, dataora, passaggio, Data, Ora) VALUES "
                "('Verdi', 'Luca', '0099', 'In', NULL, 1, '32/01/2026', '08:00'), "
                "('Bianchi', 'Anna', '0007', 'Out', NULL, 1, '05/01/2026', '25:61'), "
                "('Neri', 'Ugo', '0005', 'In', NULL, 0, 'x', 'y')"); // a refusal never counts
    const AttendanceResult result = AttendanceComputation::run(rep);
    EXPECT_EQ(presenze(),
              std::vector<std::string>{"Rossi 0012: 05/01/26-08:00:00 > 05/01/26-17:00:00 = 9:0"});
    ASSERT_EQ(result.unreadable.size(), 2u);
    EXPECT_EQ(AttendanceComputation::unreadableMessage(result.unreadable),
              "Passaggi non considerati perché la data o l'ora non è leggibile: 2.\r\n"
              "Verdi Luca, badge 0099: 32/01/2026 08:00\r\n"
              "Bianchi Anna, badge 0007: 05/01/2026 25:61");
}

TEST(AttendanceComputationTest, TheUnreadableMessageNamesTenAndCountsTheRest) {
    EXPECT_EQ(AttendanceComputation::unreadableMessage({}), "");
    std::vector<AttendanceResult::Unreadable> many(12, {"Rossi", "Mario", "0012", "??", "08:00"});
    const std::string text = AttendanceComputation::unreadableMessage(many);
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "Passaggi non considerati perché la data o l'ora non è leggibile: 12.");
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\nRossi"); at != std::string::npos;
         at = text.find("\r\nRossi", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, AttendanceComputation::kUnreadableNamed);
    EXPECT_TRUE(text.ends_with("\r\ne altri 2.")) << text;
}

TEST_F(AttendanceTest, AFailedComputationKeepsThePreviousRows) {
    fillTemp({{"0012", "In", "05/01/2026 08:00"}, {"0012", "Out", "05/01/2026 09:00"}});
    AttendanceComputation::run(*install.reportDb());
    const auto before = presenze();
    ASSERT_EQ(before.size(), 1u);
    fillTemp({{"0012", "Out", "05/01/2026 08:00"}, {"0012", "Out", "05/01/2026 09:00"}});
    install.reportDb()->executeScript(
        "CREATE TRIGGER full BEFORE INSERT ON presenze WHEN new.mancaingresso "
        "AND (SELECT count(*) FROM presenze) > 0 BEGIN SELECT RAISE(ABORT, 'full'); END;");
    EXPECT_THROW(AttendanceComputation::run(*install.reportDb()), DatabaseError);
    EXPECT_EQ(presenze(), before);
}

TEST(AttendanceWriterTest, DurationCountsWholeMinutesAndStampsUseTwoDigitYears) {
    struct Case {
        const char* entry;
        const char* exit;
        long long hours, minutes;
    };
    const Case cases[] = {
        {"05/01/2026 08:59", "05/01/2026 09:00", 0, 1},
        {"05/01/2026 08:00", "05/01/2026 17:30", 9, 30},
        {"05/01/2026 22:30", "06/01/2026 06:15", 7, 45},
        {"05/01/2026 08:00", "05/01/2026 08:00", 0, 0},
        {"05/01/2026 08:00", "05/01/2026 09:59", 1, 59},
        {"05/01/2026 08:59", "05/01/2026 10:00", 1, 1},
        {"31/12/2025 23:00", "02/01/2026 01:00", 26, 0},
        {"05/01/2026 08:00:59", "05/01/2026 08:01:00", 0, 1},
        {"05/01/2026 08:00:00", "05/01/2026 08:00:59", 0, 0},
    };
    for (const auto& c : cases) {
        double a = 0;
        double b = 0;
        ASSERT_TRUE(dateTextToDaySerial(c.entry, a));
        ASSERT_TRUE(dateTextToDaySerial(c.exit, b));
        long long h = -1;
        long long m = -1;
        AttendanceWriter::duration(a, b, h, m);
        EXPECT_EQ(h, c.hours) << c.entry << " > " << c.exit;
        EXPECT_EQ(m, c.minutes) << c.entry << " > " << c.exit;
    }
    double d = 0;
    ASSERT_TRUE(dateTextToDaySerial("09/03/2001 07:05:03", d));
    // Stamps: two digits of the year, and a time a hair short of the next second (or day) rounded up.
    const std::pair<double, const char*> stamps[] = {
        {d, "09/03/01-07:05:03"},
        {static_cast<double>(CalendarDate(2000, 1, 1).daySerial()), "01/01/00-00:00:00"},
        {CalendarDate(2026, 12, 31).daySerial() + (86400.0 - 0.4) / 86400.0, "01/01/27-00:00:00"},
        {CalendarDate(1999, 10, 20).daySerial() + (23 * 3600 + 59 * 60 + 58.6) / 86400.0,
         "20/10/99-23:59:59"},
    };
    for (const auto& [dayNumber, text] : stamps) {
        EXPECT_EQ(AttendanceWriter::stamp(dayNumber), text) << text;
    }
}

TEST(AttendancePairingTest, ALongSelectionIsPairedWithoutLosingRows) {
    // 10,000 people, each entering and leaving every day for a week: one pair per person and day.
    std::vector<AttendanceRow> rows;
    AttendancePairing pairing([&](const AttendanceRow& r) { rows.push_back(r); });
    for (int p = 0; p < 10000; ++p) {
        for (int day = 0; day < 7; ++day) {
            pairing.feed({"S", "N", std::to_string(p), "In", 46000.0 + day + 0.3});
            pairing.feed({"S", "N", std::to_string(p), "Out", 46000.0 + day + 0.7});
        }
    }
    pairing.finish();
    ASSERT_EQ(rows.size(), 70000u);
    for (const auto& r : rows) {
        ASSERT_FALSE(r.missingEntry);
        ASSERT_FALSE(r.missingExit);
        ASSERT_NEAR(r.exit - r.entry, 0.4, 1e-6); // each entry with the exit of its own day
    }
    EXPECT_FALSE(pairing.turnstileFound());
}

} // namespace
} // namespace sentinex
