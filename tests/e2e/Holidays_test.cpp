// The holiday calendar end to end: a card presented at a simulated reader on a holiday, through the
// real link, the polling step and the decision of the main window, with the clock moved to the day.

#include "E2eRig.hpp"

namespace sentinex::e2e {
namespace {

struct HolidayCase {
    const char* name;
    const char* festivita; // the setting "Festivita"
    DateTime when;
    bool granted;
};

void PrintTo(const HolidayCase& c, std::ostream* os) {
    *os << c.name;
}

const HolidayCase HolidayCases[] = {
    {"ChristmasWithTheCalendarOn", "SI", {2025, 12, 25, 10, 0, 0}, false},
    {"ChristmasEveWithTheCalendarOn", "SI", {2025, 12, 24, 10, 0, 0}, true},
    {"ChristmasWithTheCalendarOff", "NO", {2025, 12, 25, 10, 0, 0}, true},
};

class HolidaysTest : public ::testing::TestWithParam<HolidayCase> {};

TEST_P(HolidaysTest, ABandedUserOnAHoliday) {
    const HolidayCase& c = GetParam();
    Rig rig({{1, 1, "Ingresso", "In"}}, false, settingsText({{"Festivita", c.festivita}}));
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0042";
    u.Cognome = "Bianchi";
    u.Nome = "Anna";
    // Monday to Saturday all day; 25/12/2025 is a Thursday.
    u.extra["Flag_fasce"] = true;
    for (const char* day : {"Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato"}) {
        u.extra[day] = true;
    }
    rig.install.addUser(u);
    rig.install.db()->execute(
        "INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES ('25/12', 'Natale', 'Chiuso')");
    rig.clock.moveTo(c.when);
    ASSERT_TRUE(rig.start());

    rig.present(1, "0042000123");
    rig.click("Command4");
    const bool logged = pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") > 0; });
    rig.stopPolling();
    ASSERT_TRUE(logged) << "nothing recorded; Label3: " << rig.label("Label3");

    const std::string label3 = rig.label("Label3");
    const std::string shown = label3.substr(0, label3.find('\n'));
    const auto rows = rig.install.db()->query("SELECT Passaggio, nota, Data FROM transiti");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2].toString(), c.when.dateText());
    EXPECT_EQ(label3.substr(label3.find('\n') + 1, 10), c.when.dateText());
    if (c.granted) {
        EXPECT_EQ(shown, "Carta 0042 - Accesso consentito - Bianchi Anna");
        EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + "K110001001"});
        EXPECT_EQ(rows[0][0].toInt(), 1);
        EXPECT_EQ(rows[0][1].toString(), "Passaggio");
    } else {
        EXPECT_EQ(shown, "Carta 0042 - Accesso negato - Giorno festivo (Natale)");
        EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + "K000000000"});
        EXPECT_EQ(rows[0][0].toInt(), 0);
        EXPECT_EQ(rows[0][1].toString(), "Fuori fascia");
    }
    EXPECT_TRUE(rig.op.messages().empty()) << rig.op.messages().front().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, HolidaysTest, ::testing::ValuesIn(HolidayCases),
                         [](const ::testing::TestParamInfo<HolidayCase>& info) { return info.param.name; });

} // namespace
} // namespace sentinex::e2e
