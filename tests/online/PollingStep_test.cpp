#include "support/OnlineHarness.hpp"

#include "core/TextCodec.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace sentinex {
namespace {

using testing::OnlineHarness;
using testing::TestInstall;

const std::string Monday10 = "\r\n05/01/2026 10:00:00";

TestInstall::Reader readerAt(int address, const std::string& site, const std::string& type = "NANO NN-K") {
    TestInstall::Reader r;
    r.NumeroIndirizzo = address;
    r.CodiceImpianto = site;
    r.TipoLettore = type;
    return r;
}

TEST(PollingStepTest, PollPayloadExchangeAndLoopPerReaderType) {
    OnlineHarness h;
    TestInstall::Reader nano = readerAt(5, "001234");
    nano.NumeroLoop = 3;
    h.addReader(nano);
    TestInstall::Reader vireo = readerAt(7, "000042", "TERA TR-X");
    vireo.NumeroLoop = 6;
    h.addReader(vireo);
    h.addReader(readerAt(123, "000001", "TERA TR-Y1"));

    for (int k = 1; k <= 3; ++k) {
        h.step->run(k);
    }
    ASSERT_EQ(h.bus.sent().size(), 3u);
    EXPECT_EQ(h.bus.sent()[0].payload, "05001234D");
    EXPECT_EQ(h.bus.sent()[0].timing, Timing::Short);
    EXPECT_EQ(h.bus.sent()[0].loop, 3);
    EXPECT_EQ(h.bus.sent()[1].payload, "07000042D");
    EXPECT_EQ(h.bus.sent()[1].timing, Timing::Medium);
    EXPECT_EQ(h.bus.sent()[1].loop, 6);
    EXPECT_EQ(h.bus.sent()[2].payload, "23000001D");
    EXPECT_EQ(h.bus.sent()[2].timing, Timing::Short);
    // The 10 ms wait comes before each poll.
    EXPECT_EQ(h.clock.pausedMs, 30);
    // The "S" replies carry no card: nothing shown, nothing logged.
    EXPECT_TRUE(h.view.received.empty());
    EXPECT_TRUE(h.view.events.empty());
    EXPECT_TRUE(h.transits().empty());
}

TEST(PollingStepTest, NothingHappensWithoutPollingReadersOrAValidIndex) {
    OnlineHarness h;
    h.step->run(1); // no readers
    h.addReader(readerAt(1, "000123"));
    h.state.pollingOn = false;
    h.step->run(1);
    h.state.pollingOn = true;
    h.step->run(0);
    h.step->run(2);
    // A click on "Polling" among the events the step lets run first.
    h.pump.hook = [&] { h.state.pollingOn = false; };
    h.step->run(1);
    EXPECT_TRUE(h.bus.sent().empty());
    EXPECT_FALSE(h.state.stepInProgress);
    // Switched off after the switch was tested: the step goes on to the reader.
    h.state.pollingOn = true;
    int calls = 0;
    h.pump.hook = [&] {
        if (++calls == 2) {
            h.state.pollingOn = false;
        }
    };
    h.step->run(1);
    EXPECT_EQ(h.bus.sent().size(), 1u);
}

TEST(PollingStepTest, RepliesWithoutCardLeaveEverythingAlone) {
    OnlineHarness h;
    h.addReader(readerAt(1, "000123"));
    h.addUser({});
    // Silent reader, another code, a card report cut before its data, and only the frame's tail.
    for (const std::string& reply : {std::string(), OnlineFakeBus::codeReply('S'),
                                     std::string("\x02"
                                                 "01I"),
                                     OnlineFakeBus::codeReply('I'),
                                     std::string("\x02"
                                                 "01I0110"
                                                 "\x03"
                                                 "K")}) {
        h.bus.clear();
        h.present(1, reply);
        EXPECT_EQ(h.bus.sent().size(), 1u) << reply;
    }
    EXPECT_TRUE(h.view.received.empty());
    EXPECT_TRUE(h.view.events.empty());
    EXPECT_TRUE(h.view.lamps.empty());
    EXPECT_TRUE(h.transits().empty());
}

TEST(PollingStepTest, ReceivedStringShowsCardDataAsWindowsText) {
    OnlineHarness h;
    h.addReader(readerAt(1, "000123"));
    h.present(1, OnlineHarness::card(std::string("0001000123\xE9")));
    ASSERT_EQ(h.view.received.size(), 1u);
    EXPECT_EQ(h.view.received[0], "Stringa ricevuta : 0001000123é  05/01/2026 10:00:00");
}

struct DecodeCase {
    bool fourDigits;
    std::string cardData;
    std::string expectedCard; // "" = not found (code 1)
};

TEST(PollingStepTest, CardNumberFoundInBothDigitModes) {
    const DecodeCase cases[] = {
        {true, "1234000123", "1234"},
        {false, "1234000123", "0123"},
        {false, "123x000123", "0123"},
        {true, "123x000123", ""},
        // "123" never finds "0123" as text in four-digit mode... and "0123" is not "123 ".
        {true, "0123000123", "0123"},
    };
    for (const auto& c : cases) {
        OnlineHarness h;
        h.settings.QuattroCifre = c.fourDigits;
        h.settings.Beep = false;
        h.addReader(readerAt(1, "000123"));
        TestInstall::User a;
        a.NumeroCarta = "1234";
        a.Cognome = "Quattro";
        h.addUser(a);
        TestInstall::User b;
        b.NumeroCarta = "0123";
        b.Cognome = "Tre";
        h.addUser(b);
        h.present(1, OnlineHarness::card(c.cardData));
        const auto t = h.transits();
        ASSERT_EQ(t.size(), 1u) << c.cardData;
        if (c.expectedCard.empty()) {
            EXPECT_EQ(h.view.lastEvent(), "Carta non presente nel database " + Monday10);
            EXPECT_EQ(t[0].at("nota").toString(), "Badge non presente in archivio");
        } else {
            EXPECT_EQ(t[0].at("NumeroBadge").toString(), c.expectedCard) << c.cardData;
            EXPECT_EQ(t[0].at("Passaggio").toInt(), 1);
        }
    }
}

TEST(PollingStepTest, SiteCodeRefusalAndUnknownCard) {
    OnlineHarness h;
    h.addReader(readerAt(9, "000123"));
    h.addUser({});
    h.present(1, OnlineHarness::card("0001000124"));
    EXPECT_EQ(h.view.lastEvent(), "Codice impianto differente " + Monday10);
    EXPECT_EQ(h.view.lastLamps(), LampColour::Red);
    EXPECT_EQ(h.payloads().back(), "09000123K000000000");
    EXPECT_EQ(h.bus.sent().back().timing, Timing::Command);
    h.present(1, OnlineHarness::card("0002000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta non presente nel database " + Monday10);

    const auto t = h.transits();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].at("nota").toString(), "Codice impianto non valido");
    EXPECT_EQ(t[1].at("nota").toString(), "Badge non presente in archivio");
    // The badge as it was read: the history tells which card tried.
    EXPECT_EQ(t[0].at("NumeroBadge").toString(), "0001");
    EXPECT_EQ(t[1].at("NumeroBadge").toString(), "0002");
    for (const auto& r : t) {
        EXPECT_EQ(r.at("Cognome").toString(), "");
        EXPECT_EQ(r.at("Nome").toString(), "");
        EXPECT_EQ(r.at("PosizioneLettore").toString(), "Ingresso");
        EXPECT_EQ(r.at("Data").toString(), "05/01/2026");
        EXPECT_EQ(r.at("Ora").toString(), "10:00");
        EXPECT_EQ(r.at("Passaggio").toInt(), 0);
        EXPECT_EQ(r.at("verso").toString(), "In");
    }
}

TEST(PollingStepTest, RegisteredRawDataAcceptedWhateverTheSiteCode) {
    OnlineHarness h;
    h.addReader(readerAt(1, "000123"));
    TestInstall::User u;
    u.NumeroCarta = "0777";
    u.Cognome = "Esterno";
    u.extra["Stringa"] = Value("XYZ9990000");
    h.addUser(u);
    h.present(1, OnlineHarness::card("XYZ9990000"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0777 - Accesso consentito - Esterno Mario" + Monday10);
    ASSERT_EQ(h.transits().size(), 1u);
    EXPECT_EQ(h.transits()[0].at("NumeroBadge").toString(), "0777");
}

TEST(PollingStepTest, ChangesSavedElsewhereCountFromTheNextCard) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.addReader(readerAt(1, "000123"));
    h.present(1, OnlineHarness::card("0005000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta non presente nel database " + Monday10);
    // The users form saves the card through its own connection.
    {
        auto other = Database::open(h.install.folder().database());
        other->execute(
            "INSERT INTO Carte (Cognome, Nome, NumeroCarta, Lettore) VALUES ('Neri', 'Ada', '0005', ?)",
            {std::string(64, '1')});
    }
    h.present(1, OnlineHarness::card("0005000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0005 - Accesso consentito - Neri Ada" + Monday10);
    {
        auto other = Database::open(h.install.folder().database());
        other->execute("UPDATE Carte SET AbilitaCarta = 0 WHERE NumeroCarta = '0005'");
    }
    h.present(1, OnlineHarness::card("0005000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0005 non abilitata  " + Monday10);
}

TEST(PollingStepTest, QuotesAndOddBytesInCardDataAreJustData) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.addReader(readerAt(1, "000123"));
    TestInstall::User u;
    u.NumeroCarta = "0555";
    u.Cognome = "O'Brien";
    u.extra["Stringa"] = Value("AB'C\" OR 1=1 --");
    h.addUser(u);
    // Users with empty data are never matched by a card.
    TestInstall::User empty;
    empty.NumeroCarta = "0001";
    empty.extra["Stringa"] = Value("");
    h.addUser(empty);

    h.present(1, OnlineHarness::card("AB'C\" OR 1=1 --"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0555 - Accesso consentito - O'Brien Mario" + Monday10);
    // A quote where the card number stands: not found, nothing breaks.
    h.present(1, OnlineHarness::card("0'1'000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta non presente nel database " + Monday10);
    h.present(1, OnlineHarness::card(std::string("0\0"
                                                 "01000123",
                                                 10)));
    EXPECT_EQ(h.view.lastEvent(), "Carta non presente nel database " + Monday10);
    EXPECT_EQ(h.transits().size(), 3u);
    EXPECT_TRUE(h.op.shown.empty());
}

TEST(PollingStepTest, AnyReplyBytesLeaveAtMostOneRecordPerCard) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.settings.QuattroCifre = false;
    TestInstall::Reader r = readerAt(1, "000123");
    r.Stato = "InOut";
    h.addReader(r);
    for (int i = 0; i < 20; ++i) {
        TestInstall::User u;
        u.NumeroCarta =
            std::string("0") + static_cast<char>('0' + i / 10) + "0" + static_cast<char>('0' + i % 10);
        h.addUser(u);
    }
    std::mt19937 rng(7);
    std::size_t expected = 0;
    for (int n = 0; n < 400; ++n) {
        std::string reply(rng() % 24, '\0');
        for (char& c : reply) {
            // Mostly digits, so some cards are found and granted; any byte otherwise.
            c = rng() % 4 ? static_cast<char>('0' + rng() % 10) : static_cast<char>(rng() % 256);
        }
        if (reply.size() >= 4 && rng() % 3) {
            reply[3] = 'I';
        }
        const bool card = reply.size() > 10 && reply[3] == 'I';
        expected += card ? 1 : 0;
        h.present(1, reply);
        ASSERT_EQ(h.transits().size(), expected) << n;
        ASSERT_FALSE(h.state.stepInProgress);
    }
    EXPECT_GT(expected, 100u);
    EXPECT_TRUE(h.op.shown.empty());
}

TEST(PollingStepTest, RefusalBeepsForOneSecondWhilePumpingOnlyWhenBeepIsOn) {
    OnlineHarness h;
    h.addReader(readerAt(1, "000123"));
    int pumpsDuringBeep = 0;
    h.pump.hook = [&] {
        if (h.op.beeps > 0) {
            ++pumpsDuringBeep;
        }
    };
    const double start = h.clock.monotonic;
    h.present(1, OnlineHarness::card("0009000123"));
    EXPECT_GT(h.op.beeps, 1);
    EXPECT_GE(h.clock.monotonic - start, 1.0);
    EXPECT_LT(h.clock.monotonic - start, 1.2);
    EXPECT_GT(pumpsDuringBeep, 1);

    h.settings.Beep = false;
    const int beeps = h.op.beeps;
    h.present(1, OnlineHarness::card("0009000123"));
    EXPECT_EQ(h.op.beeps, beeps);
    EXPECT_EQ(h.transits().size(), 2u);
}

class VireoTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.settings.Beep = false;
        h.settings.FileVireo = "VIREO";
        h.addReader(readerAt(1, "000123"));
        h.addReader(readerAt(2, "000123", "TERA TR-X"));
        TestInstall::User u;
        u.NumeroCarta = "0042";
        u.Cognome = "Vireo";
        h.addUser(u);
    }
    void writeCardFile() { h.install.temp().write("VIREO.txt", "\"001QQQQQQ\"\r\n\"042A1B2C3\"\r\n"); }
    OnlineHarness h;
};

TEST_F(VireoTest, CardCodeLookedUpInTheCardFileCaseSensitive) {
    writeCardFile();
    h.present(2, OnlineHarness::card("A1B2C3"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0042 - Accesso consentito - Vireo Mario" + Monday10);
    h.present(2, OnlineHarness::card("a1b2c3"));
    EXPECT_EQ(h.view.lastEvent(), "Carta non riconosciuta " + Monday10);
    const auto t = h.transits();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].at("nota").toString(), "Carta irregolare");
    EXPECT_EQ(t[1].at("NumeroBadge").toString(), "");
    EXPECT_EQ(h.payloads().back(), "02000123K000000000");
    // The site code positions read garbage from a Vireo reply, yet no site code refusal.
    EXPECT_EQ(h.op.shown.size(), 0u);
}

TEST_F(VireoTest, CardInFileButNotInDatabase) {
    h.install.temp().write("VIREO.txt", "\"007ZZZZZZ\"\r\n");
    h.present(2, OnlineHarness::card("ZZZZZZ"));
    EXPECT_EQ(h.view.lastEvent(), "Carta non presente nel database " + Monday10);
}

TEST_F(VireoTest, MissingCardFileStopsPollingAtTheFirstVireoCardOnly) {
    // No card at the Vireo reader, and a card at another reader: polling goes on.
    h.present(2, OnlineFakeBus::codeReply('S'));
    h.present(1, OnlineHarness::card("0042000123"));
    EXPECT_TRUE(h.state.pollingOn);
    EXPECT_EQ(h.view.stops, 0);
    EXPECT_TRUE(h.op.shown.empty());

    const std::size_t sentBefore = h.bus.sent().size();
    const std::size_t transitsBefore = h.transits().size();
    h.present(2, OnlineHarness::card("A1B2C3"));
    ASSERT_EQ(h.op.shown.size(), 1u);
    EXPECT_EQ(h.op.shown[0].title, "Errore");
    EXPECT_EQ(h.op.shown[0].text,
              "Il file dove ricercare le carte per i lettori Vireo non esiste. Il polling sarà bloccato.");
    EXPECT_EQ(h.op.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(h.view.stops, 1);
    EXPECT_FALSE(h.state.pollingOn);
    // The reader is not answered and nothing is logged.
    EXPECT_EQ(h.bus.sent().size(), sentBefore + 1);
    EXPECT_EQ(h.transits().size(), transitsBefore);
    // Next tick: polling is off.
    h.step->run(2);
    EXPECT_EQ(h.bus.sent().size(), sentBefore + 1);
}

TEST(PollingStepTest, OneStepAtATimeAndWorkAfterTheStepWaitsForTheRecord) {
    OnlineHarness h;
    h.addReader(readerAt(1, "000123"));
    h.addUser({});
    int nested = 0;
    bool pendingSeenAtGrant = false;
    bool inProgressDuringExchange = false;
    std::size_t transitsWhenQuitRan = 99;
    bool quitRan = false;
    h.bus.duringExchange([&] {
        inProgressDuringExchange = h.state.stepInProgress && h.step->inProgress();
        // A timer tick and a click on "exit" arrive while the reader is being answered.
        ++nested;
        h.step->run(1);
        if (h.bus.sent().back().payload.find("K1") != std::string::npos) {
            pendingSeenAtGrant = h.step->recordPending();
            h.step->afterStep([&] {
                quitRan = true;
                transitsWhenQuitRan = h.transits().size();
            });
        }
    });
    h.present(1, OnlineHarness::card("0001000123"));
    EXPECT_TRUE(inProgressDuringExchange);
    EXPECT_EQ(nested, 2); // poll and grant; the nested runs sent nothing
    EXPECT_EQ(h.bus.sent().size(), 2u);
    EXPECT_TRUE(pendingSeenAtGrant);
    EXPECT_TRUE(quitRan);
    EXPECT_EQ(transitsWhenQuitRan, 1u); // the passage was recorded before the quit ran
    EXPECT_FALSE(h.step->recordPending());
    EXPECT_FALSE(h.state.stepInProgress);

    // With no step running, the work runs at once.
    bool now = false;
    h.step->afterStep([&] { now = true; });
    EXPECT_TRUE(now);
}

TEST(PollingStepTest, RecordsTheDatabaseRefusesWaitAndAreStoredLaterInOrderWithTheirOwnTimes) {
    OnlineHarness h;
    h.clock.wallFollowsPause = true; // advance() moves the time of day too
    h.settings.Beep = false;
    h.addReader(readerAt(1, "000123"));
    h.addUser({});
    h.install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                  "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    h.present(1, OnlineHarness::card("0009000123"));
    h.clock.advance(60);
    h.present(1, OnlineHarness::card("0008000123"));
    h.clock.advance(60);
    h.present(1, OnlineHarness::card("0001000123"));
    // The outcome stays on the window and the doors got their commands; the failure and what waits
    // are on the status line, and no box waits for anybody.
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario\r\n05/01/2026 10:02:00");
    EXPECT_TRUE(h.op.shown.empty());
    EXPECT_EQ(h.payloads(),
              (std::vector<std::string>{"01000123D", "01000123K000000000", "01000123D", "01000123K000000000",
                                        "01000123D", "01000123K110001001"}));
    EXPECT_TRUE(h.transits().empty());
    EXPECT_TRUE(h.inside().empty()); // the entrance waits with its passage
    ASSERT_FALSE(h.view.status.empty());
    EXPECT_EQ(h.view.status.back(),
              StoreFailureNotice::text("database or disk is full") + "\r\n4 registrazioni in attesa");
    EXPECT_EQ(h.settings.Utenti, 1); // a person whose entrance waits is inside
    EXPECT_FALSE(h.state.stepInProgress);
    // The waiting entrance blocks a second one.
    h.present(1, OnlineHarness::card("0001000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso negato (antipass-back on) \r\n05/01/2026 10:02:00");

    // The database takes writes again: what waited goes in first, in order, with its own times, once.
    h.install.db()->executeScript("DROP TRIGGER full");
    h.clock.advance(60);
    h.present(1, OnlineHarness::card("0007000123"));
    const auto t = h.transits();
    ASSERT_EQ(t.size(), 5u);
    const char* notes[] = {"Badge non presente in archivio", "Badge non presente in archivio", "Passaggio",
                           "Blocco per anti pass back", "Badge non presente in archivio"};
    const char* times[] = {"10:00", "10:01", "10:02", "10:02", "10:03"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(t[i].at("nota").toString(), notes[i]) << i;
        EXPECT_EQ(t[i].at("Ora").toString(), times[i]) << i;
    }
    EXPECT_EQ(h.inside(), std::vector<std::string>{"0001"});
    EXPECT_EQ(h.view.status.back(), "");
    EXPECT_FALSE(std::filesystem::exists(h.install.dir() + "/Sentinex.pending") &&
                 std::filesystem::file_size(h.install.dir() + "/Sentinex.pending") > 0);

    // A new failure shows again.
    h.install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                  "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END;");
    h.present(1, OnlineHarness::card("0009000123"));
    EXPECT_EQ(h.view.status.back(),
              StoreFailureNotice::text("disk I/O error") + "\r\n1 registrazioni in attesa");
    EXPECT_TRUE(h.op.shown.empty());
}

TEST(PollingStepTest, WaitingRecordsAreStoredWithoutANewCardOnceTheDatabaseTakesThem) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.addReader(readerAt(1, "000123"));
    h.install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                  "BEGIN SELECT RAISE(ABORT, 'database is locked'); END;");
    h.present(1, OnlineHarness::card("0009000123"));
    EXPECT_TRUE(h.transits().empty());
    h.install.db()->executeScript("DROP TRIGGER full");
    h.clock.advance(5);
    h.present(1, OnlineFakeBus::codeReply('S')); // a poll without a card
    EXPECT_EQ(h.transits().size(), 1u);
    EXPECT_EQ(h.view.status.back(), "");
}

TEST(PollingStepTest, AnUnreadableCardTableRefusesTheCardUntilItCanBeReadAgain) {
    // The table gone from under the program: every read of it fails, as on a damaged file.
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"ALTER TABLE Carte RENAME TO CarteOld", "ALTER TABLE CarteOld RENAME TO Carte"}};
    for (const auto& [damage, repair] : damages) {
        SCOPED_TRACE(damage);
        OnlineHarness h;
        h.settings.Beep = false;
        h.addReader(readerAt(1, "000123"));
        h.addUser({});
        auto bumpSchema = [&h] {
            const long long v = h.install.db()->query("PRAGMA schema_version").at(0).at(0).toInt();
            h.install.db()->executeScript("PRAGMA schema_version = " + std::to_string(v + 1));
        };
        h.install.db()->executeScript(damage);
        bumpSchema();
        h.present(1, OnlineHarness::card("0001000123"));
        EXPECT_TRUE(h.op.shown.empty());
        EXPECT_EQ(h.payloads().back(), "01000123K000000000"); // the door has its answer
        EXPECT_EQ(h.view.lastEvent(), "Archivio utenti illeggibile" + h.stamp());
        auto t = h.transits();
        ASSERT_EQ(t.size(), 1u);
        EXPECT_EQ(t[0].at("Passaggio").toInt(), 0);
        EXPECT_EQ(t[0].at("nota").toString(), "Archivio utenti illeggibile");
        ASSERT_FALSE(h.view.status.empty());
        EXPECT_EQ(h.view.status.back(), "Archivio utenti illeggibile");
        EXPECT_FALSE(h.step->inProgress());

        h.install.db()->executeScript(repair);
        bumpSchema();
        h.present(1, OnlineHarness::card("0001000123"));
        EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + h.stamp());
        EXPECT_EQ(h.transits().size(), 2u);
        EXPECT_EQ(h.view.status.back(), "");
    }
}

TEST(PollingStepTest, TheStoreFailureLeavesTheLineOnceTheWaitingRecordsAreStored) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.addReader(readerAt(1, "000123"));
    h.addUser({});
    h.install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                  "BEGIN SELECT RAISE(ABORT, 'database is locked'); END;");
    h.present(1, OnlineHarness::card("0009000123")); // unknown card: its refusal waits
    // A read fails too: the entrance's presence check finds no table.
    h.install.db()->executeScript("ALTER TABLE presenti RENAME TO presentiOld");
    h.present(1, OnlineHarness::card("0001000123"));
    ASSERT_FALSE(h.view.status.empty());
    EXPECT_NE(h.view.status.back().find("Impossibile registrare"), std::string::npos);

    h.install.db()->executeScript("ALTER TABLE presentiOld RENAME TO presenti; DROP TRIGGER full");
    h.clock.advance(5);
    h.present(1, OnlineFakeBus::codeReply('S')); // no card: the waiting refusal goes in on its own
    EXPECT_EQ(h.transits().size(), 1u);
    EXPECT_EQ(h.view.status.back(), "");
}

TEST(PollingStepTest, AReaderThatAnswersEveryPollWithAnErrorIsNamed) {
    for (const char code : {'C', 'D', 'X'}) {
        SCOPED_TRACE(code);
        OnlineHarness h;
        TestInstall::Reader entrance = readerAt(1, "000123");
        entrance.SituatoPresso = "INGRESSO";
        h.addReader(entrance);
        char answer = code;
        h.bus.respond([&](const std::string&, Timing) { return OnlineFakeBus::codeReply(answer); });
        for (int i = 1; i < PollingStep::SilentPolls; ++i) {
            h.step->run(1);
        }
        EXPECT_TRUE(h.view.status.empty()); // a passing error is not yet a reader in trouble
        h.step->run(1);
        ASSERT_FALSE(h.view.status.empty());
        EXPECT_EQ(h.view.status.back(), "Lettore 1 INGRESSO risponde con errore");
        EXPECT_TRUE(h.transits().empty());
        EXPECT_TRUE(h.op.shown.empty());

        answer = 'S'; // served again
        h.step->run(1);
        EXPECT_EQ(h.view.status.back(), "");
    }
}

TEST(PollingStepTest, TheRefusalIsRecordedBeforeTheBeep) {
    OnlineHarness h;
    h.settings.Beep = true;
    h.addReader(readerAt(1, "000123"));
    std::size_t recordedAtFirstBeep = 99;
    h.clock.onPause = [&](int) {
        if (h.op.beeps == 1 && recordedAtFirstBeep == 99) {
            recordedAtFirstBeep = h.transits().size();
        }
    };
    h.present(1, OnlineHarness::card("0009000123"));
    EXPECT_GT(h.op.beeps, 1);
    EXPECT_EQ(recordedAtFirstBeep, 1u);
    EXPECT_EQ(h.payloads().back(), "01000123K000000000");
}

TEST(PollingStepTest, SilentReadersAndASilentLineShowOnTheStatusLineUntilTheyAnswer) {
    OnlineHarness h;
    TestInstall::Reader entrance = readerAt(1, "000123");
    entrance.SituatoPresso = "INGRESSO";
    h.addReader(entrance);
    TestInstall::Reader exit = readerAt(2, "000123");
    exit.SituatoPresso = "USCITA";
    h.addReader(exit);
    bool lineUp = true;
    h.bus.respond([&](const std::string& payload, Timing) {
        const bool second = payload.rfind("02", 0) == 0;
        return lineUp && !second ? OnlineFakeBus::codeReply('S') : std::string();
    });
    auto pass = [&] {
        h.step->run(1);
        h.step->run(2);
    };
    pass();
    pass();
    EXPECT_TRUE(h.view.status.empty()); // two silent polls are not yet a silent reader
    pass();
    ASSERT_FALSE(h.view.status.empty());
    EXPECT_EQ(h.view.status.back(), "Lettore 2 USCITA non risponde");

    lineUp = false; // the adapter is pulled: nobody answers
    pass();
    pass();
    pass();
    EXPECT_EQ(h.view.status.back(), "Linea seriale muta: nessun lettore risponde");
    EXPECT_TRUE(h.op.shown.empty());
    EXPECT_TRUE(h.transits().empty());

    // The first answer clears the line and its reader; the reader still silent stays.
    lineUp = true;
    pass();
    EXPECT_EQ(h.view.status.back(), "Lettore 2 USCITA non risponde");

    // The reader is deleted and the list reloaded: it is no longer named, even before the next poll.
    h.step->readersReloaded();
    ASSERT_FALSE(h.view.status.empty());
    EXPECT_EQ(h.view.status.back(), "");
}

} // namespace
} // namespace sentinex
