#include "support/OnlineHarness.hpp"

#include "core/Settings.hpp"
#include "online/CardRecord.hpp"
#include "online/HolidayCalendar.hpp"
#include "online/TimeBands.hpp"
#include "store/Database.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::OnlineHarness;
using testing::TestInstall;

DateTime at(int day, int month, int year, int hour = 10, int minute = 0) {
    return DateTime{year, month, day, hour, minute, 0};
}

/// A user whose band admits Monday to Saturday all day and Sunday from 09:00 to 12:00.
CardRecord bandedUser() {
    CardRecord card;
    card.NumeroCarta = "0001";
    card.Flag_fasce = Value(true);
    for (int day = 0; day < 7; ++day) {
        card.dayFlag[static_cast<std::size_t>(day)] = Value(true);
        card.interval[static_cast<std::size_t>(day)] = {"##:##", "##:##", "##:##", "##:##"};
    }
    card.interval[0] = {"09:00", "12:00", "##:##", "##:##"};
    return card;
}

/// A calendar with yearly national holidays, a one-date closure and a yearly holiday that one year
/// is worked as a Sunday; "Festivita" and "Pasquetta" on.
class HolidayCalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Festivita = true;
        settings.Pasquetta = true;
        for (const auto& [data, description, tipo] : {
                 std::tuple{"25/12", "Natale", "Chiuso"}, std::tuple{"01/01", "Capodanno", "Chiuso"},
                 std::tuple{"15/08", "Ferragosto", "Chiuso"},
                 std::tuple{"08/12", "Immacolata Concezione", "Chiuso"},
                 std::tuple{"08/12/2025", "Turno festivo", "Domenica"},
                 std::tuple{"14/08/2025", "Chiusura estiva", "Chiuso"},
                 std::tuple{"02/06", "Festa della Repubblica", "Altro"}, // not a kind: ignored
             }) {
            install.db()->execute("INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES (?, ?, ?)",
                                  {data, description, tipo});
        }
    }

    TestInstall install;
    Settings settings;
};

TEST_F(HolidayCalendarTest, DaysOfTheCalendarDecideTheBandedUser) {
    const std::string Closed = " - Accesso negato - Giorno festivo (";
    const struct {
        const char* name;
        DateTime when;
        std::string refusal; // empty: allowed
    } cases[] = {
        {"Christmas, a Thursday", at(25, 12, 2025), Closed + "Natale)"},
        {"Christmas Eve", at(24, 12, 2025), ""},
        {"a yearly holiday in another year", at(25, 12, 2030), Closed + "Natale)"},
        {"New Year's Eve, last minute", at(31, 12, 2025, 23, 59), ""},
        {"New Year's Day, first minute", at(1, 1, 2026, 0, 0), Closed + "Capodanno)"},
        {"New Year's Day, last minute", at(1, 1, 2026, 23, 59), Closed + "Capodanno)"},
        {"the day after, first minute", at(2, 1, 2026, 0, 0), ""},
        {"one-date closure", at(14, 8, 2025), Closed + "Chiusura estiva)"},
        {"the same day a year later", at(14, 8, 2026), ""},
        {"one date as Sunday, inside the Sunday band", at(8, 12, 2025, 10, 0), ""},
        {"one date as Sunday, outside the Sunday band", at(8, 12, 2025, 13, 0),
         " - Accesso negato - Fuori fascia oraria (Domenica)"},
        {"the yearly holiday in a year without the one date", at(8, 12, 2026),
         Closed + "Immacolata Concezione)"},
        {"a row of no known kind", at(2, 6, 2026), ""},
        {"Easter Monday 2024", at(1, 4, 2024), Closed + "Pasquetta)"},
        {"Easter Monday 2025, first minute", at(21, 4, 2025, 0, 0), Closed + "Pasquetta)"},
        {"Easter Monday 2025, last minute", at(21, 4, 2025, 23, 59), Closed + "Pasquetta)"},
        {"Easter Tuesday 2025", at(22, 4, 2025, 0, 0), ""},
        {"Easter Monday 2026", at(6, 4, 2026), Closed + "Pasquetta)"},
        {"Easter Monday 2038", at(26, 4, 2038), Closed + "Pasquetta)"},
        {"a Monday one week after Easter", at(13, 4, 2026), ""},
    };
    HolidayCalendar calendar(*install.db(), settings);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BandVerdict v = calendar.evaluate(bandedUser(), c.when);
        EXPECT_EQ(v.allowed, c.refusal.empty());
        EXPECT_EQ(v.message, c.refusal);
    }
}

TEST_F(HolidayCalendarTest, AHolidayKeptAsSundayFollowsTheSundayFlag) {
    CardRecord card = bandedUser();
    card.dayFlag[0] = Value(false);
    HolidayCalendar calendar(*install.db(), settings);
    const BandVerdict v = calendar.evaluate(card, at(8, 12, 2025));
    EXPECT_FALSE(v.allowed);
    EXPECT_EQ(v.message, " - Accesso negato - Giorno non abilitato (Domenica)");
    // The Monday flag, which the weekday alone would read, does not matter.
    card = bandedUser();
    card.dayFlag[1] = Value(false);
    EXPECT_TRUE(calendar.evaluate(card, at(8, 12, 2025)).allowed);
}

TEST_F(HolidayCalendarTest, EasterMondayOnlyWhilePasquettaIsOn) {
    settings.Pasquetta = false;
    HolidayCalendar calendar(*install.db(), settings);
    EXPECT_TRUE(calendar.evaluate(bandedUser(), at(21, 4, 2025)).allowed);
    EXPECT_EQ(calendar.holidayOn(at(21, 4, 2025)), std::nullopt);
    // A stored row of that date still counts, once the calendar is told the table changed.
    install.db()->execute(
        "INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES ('21/04/2025', 'Ponte', 'Chiuso')");
    EXPECT_EQ(calendar.holidayOn(at(21, 4, 2025, 11, 0)), std::nullopt) << "the day is kept";
    calendar.changed();
    EXPECT_EQ(calendar.holidayOn(at(21, 4, 2025)), (Holiday{Holiday::Kind::Closed, "Ponte"}));
    settings.Pasquetta = true;
    EXPECT_EQ(calendar.holidayOn(at(21, 4, 2025)), (Holiday{Holiday::Kind::Closed, "Ponte"}))
        << "a stored row of Easter Monday's date wins over the computed one";
}

TEST_F(HolidayCalendarTest, OffOrWithoutBandsItIsTheWeeklyBandAndReadsNothing) {
    // With the table gone a read would throw: none happens while the calendar is off or the user's
    // bands do not apply.
    install.db()->executeScript("DROP TABLE Festivita");
    CardRecord noBands = bandedUser();
    noBands.Flag_fasce = Value(false);
    CardRecord nullBands = bandedUser();
    nullBands.Flag_fasce = Value();
    CardRecord closedMonday = bandedUser();
    closedMonday.dayFlag[1] = Value(false);
    CardRecord morningOnly = bandedUser();
    for (auto& day : morningOnly.interval) {
        day = {"08:00", "12:00", "##:##", "##:##"};
    }

    HolidayCalendar calendar(*install.db(), settings);
    for (const DateTime& when : {at(25, 12, 2025), at(1, 1, 2026, 0, 0), at(21, 4, 2025, 23, 59),
                                 at(8, 12, 2025, 13, 0), at(6, 4, 2026, 14, 0), at(7, 4, 2026, 7, 59)}) {
        SCOPED_TRACE(when.generalText());
        for (const CardRecord& card : {noBands, nullBands}) {
            const BandVerdict v = calendar.evaluate(card, when);
            EXPECT_TRUE(v.allowed);
            EXPECT_EQ(v.message, "");
        }
        settings.Festivita = false;
        for (const CardRecord& card : {bandedUser(), closedMonday, morningOnly, noBands}) {
            const BandVerdict plain = TimeBands::evaluate(card, when);
            const BandVerdict v = calendar.evaluate(card, when);
            EXPECT_EQ(v.allowed, plain.allowed);
            EXPECT_EQ(v.message, plain.message);
        }
        settings.Festivita = true;
    }
    EXPECT_THROW(calendar.evaluate(bandedUser(), at(25, 12, 2025)), DatabaseError)
        << "on, a banded user's day is read";
}

TEST(HolidayDecisionTest, AClosedHolidayRefusesWithTheBandCodeOnlyWhileTheCalendarIsOn) {
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "Festivita SI" : "Festivita NO");
        OnlineHarness h;
        h.settings.Beep = false;
        h.settings.Festivita = on;
        h.addReader({});
        TestInstall::User u;
        u.extra["Flag_fasce"] = Value(true);
        for (const char* day : {"Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato"}) {
            u.extra[day] = Value(true);
        }
        h.addUser(u);
        h.install.db()->execute(
            "INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES ('25/12', 'Natale', 'Chiuso')");
        h.clock.set(at(25, 12, 2025));
        h.present(1, OnlineHarness::card("0001000123"));

        const auto t = h.transits();
        ASSERT_EQ(t.size(), 1u);
        if (on) {
            EXPECT_EQ(h.view.lastEvent(),
                      "Carta 0001 - Accesso negato - Giorno festivo (Natale)\r\n25/12/2025 10:00:00");
            EXPECT_EQ(h.view.lastLamps(), LampColour::Red);
            EXPECT_EQ(h.payloads().back(), "01000123K000000000");
            EXPECT_EQ(t[0].at("Passaggio").toInt(), 0);
            EXPECT_EQ(t[0].at("nota").toString(), "Fuori fascia");
        } else {
            EXPECT_EQ(h.view.lastEvent(),
                      "Carta 0001 - Accesso consentito - Rossi Mario\r\n25/12/2025 10:00:00");
            EXPECT_EQ(t[0].at("Passaggio").toInt(), 1);
        }
    }
}

TEST(HolidayDecisionTest, TheStepReadsTheCalendarAgainWhenToldItChanged) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.settings.Festivita = true;
    h.addReader({});
    TestInstall::User u;
    u.extra["Flag_fasce"] = Value(true);
    u.extra["Mercoledi"] = Value(true);
    h.addUser(u);
    h.clock.set(at(24, 12, 2025));
    h.present(1, OnlineHarness::card("0001000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario\r\n24/12/2025 10:00:00");
    h.install.db()->execute("DELETE FROM presenti");

    h.install.db()->execute(
        "INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES ('24/12/2025', 'Inventario', 'Chiuso')");
    h.step->holidaysChanged();
    h.present(1, OnlineHarness::card("0001000123"));
    EXPECT_EQ(h.view.lastEvent(),
              "Carta 0001 - Accesso negato - Giorno festivo (Inventario)\r\n24/12/2025 10:00:00");
}

} // namespace
} // namespace sentinex
