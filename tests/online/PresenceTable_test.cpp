#include "online/PresenceTable.hpp"
#include "online/StoreFailureNotice.hpp"
#include "support/OnlineHarness.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace sentinex {
namespace {

using testing::OnlineHarness;
using testing::TestInstall;

const std::string Monday10 = "\r\n05/01/2026 10:00:00";

class PresenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.settings.Beep = false;
        for (const char* stato : {"In", "Out", "InOut"}) {
            TestInstall::Reader r;
            r.Stato = stato;
            h.addReader(r);
        }
        TestInstall::User u;
        u.NumeroCarta = "0001";
        h.addUser(u);
        // Card 0002 may pass only before 09:00 on Mondays.
        TestInstall::User b;
        b.NumeroCarta = "0002";
        b.Cognome = "Bianchi";
        b.extra["Flag_fasce"] = Value(true);
        b.extra["Lunedi"] = Value(true);
        b.extra["Lun_1_da"] = Value("08:00");
        b.extra["Lun_1_a"] = Value("09:00");
        h.addUser(b);
    }
    static std::string card(const char* n) { return OnlineHarness::card(std::string(n) + "000123"); }
    OnlineHarness h;
};

TEST_F(PresenceTest, EntranceExitAndTheCounterInTheSettingsFile) {
    h.present(1, card("0001"));
    EXPECT_EQ(h.inside(), std::vector<std::string>{"0001"});
    EXPECT_EQ(h.settings.Utenti, 1);
    EXPECT_EQ(h.utentiInFile(), 1);
    EXPECT_EQ(h.view.presence.back(), "1");

    // A second entrance is blocked; table and counter stay.
    h.present(1, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso negato (antipass-back on) " + Monday10);
    EXPECT_EQ(h.inside().size(), 1u);
    EXPECT_EQ(h.utentiInFile(), 1);

    // The exit removes the person.
    h.present(2, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.utentiInFile(), 0);
    EXPECT_EQ(h.view.presence.back(), "0");

    // A second exit is blocked.
    h.present(2, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso negato (antipass-back on) " + Monday10);
    EXPECT_EQ(h.transits().back().at("nota").toString(), "Blocco per anti pass back");

    // A reader neither "In" nor "Out" never touches the table.
    h.present(3, card("0001"));
    h.present(3, card("0001"));
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.utentiInFile(), 0);
    const auto t = h.transits();
    EXPECT_EQ(t.back().at("Passaggio").toInt(), 1);
    EXPECT_EQ(t.back().at("verso").toString(), "InOut");
}

TEST_F(PresenceTest, ExitIsBookedEvenWhenALaterCheckRefuses) {
    h.clock.set({2026, 1, 5, 8, 30, 0});
    h.present(1, card("0002"));
    EXPECT_EQ(h.inside(), std::vector<std::string>{"0002"});
    const std::size_t shown = h.view.presence.size();

    h.clock.set({2026, 1, 5, 17, 0, 0});
    h.present(2, card("0002"));
    EXPECT_EQ(h.view.lastEvent(),
              "Carta 0002 - Accesso negato - Fuori fascia oraria (Lunedì)\r\n05/01/2026 17:00:00");
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.settings.Utenti, 0);
    EXPECT_EQ(h.utentiInFile(), 0);
    // The window's counter is refreshed only by a confirmed grant.
    EXPECT_EQ(h.view.presence.size(), shown);
}

TEST_F(PresenceTest, StoredBadgesMatchWithBlanksAroundOnly) {
    const std::pair<const char*, bool> stored[] = {
        {"0001", true},    {"   0001   ", true}, {"0001 ", true},   {" 0001", true},
        {"00010", false},  {" 00010", false},    {"0001 X", false}, {"X0001", false},
        {"0001\t", false}, {"000", false},       {"", false},
    };
    for (const auto& [badge, inside] : stored) {
        h.install.db()->execute("DELETE FROM presenti");
        h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {std::string(badge)});
        h.present(1, card("0001"));
        const bool blocked =
            h.view.lastEvent() == "Carta 0001 - Accesso negato (antipass-back on) " + Monday10;
        EXPECT_EQ(blocked, inside) << "[" << badge << "]";
    }
}

TEST_F(PresenceTest, CounterNeverGoesBelowZero) {
    // A person in the table whom the counter does not count (a hand-edited file, say).
    h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('  0001')");
    h.settings.Utenti = 0;
    h.present(2, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.settings.Utenti, 0);
    EXPECT_EQ(h.utentiInFile(), 0);
    EXPECT_EQ(h.view.presence.back(), "0");
}

TEST_F(PresenceTest, UnconfirmedEntranceIsNotCounted) {
    h.present(1, card("0001"), {OnlineFakeBus::codeReply('D')});
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.settings.Utenti, 0);
    // An unconfirmed exit was still booked by the presence check, as the chain runs before the grant.
    h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0001')");
    h.settings.Utenti = 1;
    h.present(2, card("0001"), {std::string()});
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.settings.Utenti, 0);
}

TEST_F(PresenceTest, AnEntranceTheDatabaseRefusesWaitsWithItsPassageAndCounts) {
    h.install.db()->executeScript("CREATE TRIGGER nospace BEFORE INSERT ON presenti "
                                  "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    h.present(1, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    // Passage and presence wait together; the person is inside and counted.
    EXPECT_TRUE(h.transits().empty());
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.settings.Utenti, 1);
    EXPECT_EQ(h.utentiInFile(), 1);
    EXPECT_TRUE(h.op.shown.empty());
    EXPECT_EQ(h.view.status.back(),
              StoreFailureNotice::text("database or disk is full") + "\r\n2 registrazioni in attesa");
    // A waiting exit lets the person in again, and the table ends as the passages say.
    h.present(2, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    EXPECT_EQ(h.settings.Utenti, 0);
    h.present(1, card("0001"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    h.install.db()->executeScript("DROP TRIGGER nospace");
    h.clock.advance(5);
    h.present(1, OnlineFakeBus::codeReply('S'));
    EXPECT_EQ(h.transits().size(), 3u);
    EXPECT_EQ(h.inside(), std::vector<std::string>{"0001"});
    EXPECT_EQ(h.settings.Utenti, 1);
    EXPECT_EQ(h.view.status.back(), "");
}

TEST_F(PresenceTest, AnExitIsStoredWithTheRecordThatEndsItsStepOrNotAtAll) {
    // Whatever ends the step of an exit, the passage or a later refusal, its record and the removal
    // from presenti are stored together or wait together: a crash never keeps one without the other.
    h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0001'), ('0002')");
    h.settings.Utenti = 2;
    h.install.db()->executeScript("CREATE TRIGGER nospace BEFORE INSERT ON transiti "
                                  "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    h.present(2, card("0001")); // granted exit
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    h.present(2, card("0002")); // exit at 10:00, outside its band: refused, but booked out
    EXPECT_EQ(h.view.lastEvent().rfind("Carta 0002", 0), 0u);
    EXPECT_TRUE(h.transits().empty());
    EXPECT_EQ(h.inside(), (std::vector<std::string>{"0001", "0002"})) << "no removal went in alone";
    EXPECT_EQ(h.settings.Utenti, 0);

    h.install.db()->executeScript("DROP TRIGGER nospace");
    h.clock.advance(5);
    h.present(1, OnlineFakeBus::codeReply('S'));
    EXPECT_EQ(h.transits().size(), 2u);
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.utentiInFile(), 0);
}

TEST_F(PresenceTest, ACounterTheSettingsFileRefusesIsShownAndWrittenAgainAtTheNextChange) {
    namespace fs = std::filesystem;
    const std::string ini = h.install.folder().settings();
    const std::string kept = ini + ".kept";
    fs::rename(ini, kept);
    fs::create_directory(ini); // a settings file that cannot be replaced
    h.present(1, card("0001"));
    EXPECT_EQ(h.settings.Utenti, 1);
    ASSERT_FALSE(h.view.status.empty());
    EXPECT_EQ(h.view.status.back(), PresenceTable::CounterNotSavedText);
    EXPECT_TRUE(h.op.shown.empty());

    fs::remove(ini);
    fs::rename(kept, ini);
    h.present(2, card("0001")); // the exit: the next change writes the whole counter again
    EXPECT_EQ(h.utentiInFile(), 0);
    EXPECT_EQ(h.view.status.back(), "");
}

TEST_F(PresenceTest, ARefusedCounterIsWrittenAgainWithinSecondsEvenWithoutAnotherCard) {
    namespace fs = std::filesystem;
    const std::string ini = h.install.folder().settings();
    const std::string kept = ini + ".kept";
    fs::rename(ini, kept);
    fs::create_directory(ini);
    h.present(1, card("0001"));
    ASSERT_EQ(h.view.status.back(), PresenceTable::CounterNotSavedText);
    fs::remove(ini);
    fs::rename(kept, ini);
    h.present(1, OnlineFakeBus::codeReply('S')); // too soon: not tried yet
    EXPECT_EQ(h.utentiInFile(), 0);
    h.clock.advance(3);
    h.present(1, OnlineFakeBus::codeReply('S')); // no card, but time has passed
    EXPECT_EQ(h.utentiInFile(), 1) << "a restart now finds the person inside counted";
    EXPECT_EQ(h.view.status.back(), "");
}

} // namespace
} // namespace sentinex
