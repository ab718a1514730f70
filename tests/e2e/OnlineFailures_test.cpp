// What the online access control does end to end when a reader does not confirm a grant, when the
// card file of the Vireo readers is missing, when a reader falls silent, when the database is locked and
// when the disk is full.

#include "E2eRig.hpp"

#include "store/Database.hpp"
#include "support/SmallFileSystem.hpp"
#include "support/TempDir.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/mount.h>
#include <unistd.h>

namespace sentinex::e2e {
namespace {

using testing::SmallFileSystem;

TEST(OnlineFailuresTest, GrantTheReaderDoesNotConfirmIsRecordedButNotShownOrCounted) {
    // A Vireo reader: its poll may answer late (within 1.2 s), which leaves time to arm the fault for
    // the grant's reply only, once the poll's reply is on its way.
    Rig rig({{1, 1, "Ingresso", "In"}, {1, 2, "Vireo", "In", "TERA TR-X"}}, false);
    ASSERT_TRUE(rig.sim->running());
    rig.install.temp().write("vireo.txt", "\"042ABCDEF\"\r\n");
    TestInstall::User u;
    u.NumeroCarta = "0042";
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    rig.sim->setFault(1, 2, "late 300 count=1");
    rig.present(2, "ABCDEF");
    bool armed = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!armed && rig.sim->dump(1, 2).at("pending").empty()) {
            armed = true; // the card has been read: the next reply is the grant's
            rig.sim->setFault(1, 2, "code N count=1");
        }
    });
    watch.start(2);
    rig.click("Command4");
    const bool answered =
        pumpUntil([&] { return !rig.kRequests(2).empty() && !rig.session->state().stepInProgress; });
    watch.stop();
    rig.stopPolling();
    ASSERT_TRUE(answered);
    ASSERT_TRUE(armed);

    EXPECT_EQ(rig.kRequests(2), std::vector<std::string>{rig.prefix(2) + "K110001001"});
    const std::string label3 = rig.label("Label3");
    EXPECT_EQ(label3.rfind("Errore di comunicazione col lettore. ", 0), 0u) << label3;
    EXPECT_NE(label3.find("02N"), std::string::npos) << "the reply is shown as received: " << label3;
    EXPECT_TRUE(label3.ends_with(" Impossibile consentire passaggio")) << label3;
    // The reader heard the grant: the presentation is in the history, not as a passage.
    EXPECT_EQ(
        rig.count("SELECT COUNT(*) FROM transiti WHERE nota = 'Esito non confermato' AND Passaggio = 0"), 1);
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti"), 1);
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti"), 0);
    EXPECT_EQ(rig.utentiInFile(), "0");
    EXPECT_EQ(rig.label("Label4"), "0");
    // Neither lamp has shown a grant.
    EXPECT_NE(rig.lamp("Shape1"), 65280);
    EXPECT_NE(rig.lamp("Shape2"), 65280);
}

TEST(OnlineFailuresTest, MissingVireoCardFileStopsThePollingAtTheFirstVireoCard) {
    Rig rig({{1, 1, "Ingresso", "In"}, {1, 2, "Vireo", "In", "TERA TR-X"}}, false);
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0042";
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    // A card at the other reader goes through first: the missing file matters only at a Vireo card.
    rig.present(1, "0042000123");
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") == 1; }));
    EXPECT_TRUE(rig.session->state().pollingOn);
    EXPECT_TRUE(rig.op.messages().empty());

    rig.present(2, "ABCDEF");
    ASSERT_TRUE(
        pumpUntil([&] { return !rig.session->state().pollingOn && !rig.session->state().stepInProgress; }));
    ASSERT_EQ(rig.op.messages().size(), 1u);
    EXPECT_EQ(rig.op.messages()[0].title, "Errore");
    EXPECT_EQ(rig.op.messages()[0].icon, MsgIcon::Critical);
    EXPECT_EQ(rig.op.messages()[0].text,
              "Il file dove ricercare le carte per i lettori Vireo non esiste. Il polling sarà bloccato.");
    EXPECT_EQ(rig.child<QLabel>("Label1")->property("backColour").toInt(), 255);
    EXPECT_FALSE(rig.child<QTimer>("Timer1")->isActive());
    EXPECT_TRUE(rig.child<QPushButton>("Command2")->isEnabled());
    EXPECT_TRUE(rig.child<QPushButton>("Command3")->isEnabled());
    // The reader was not answered and nothing more was recorded; no further polls go out.
    EXPECT_TRUE(rig.kRequests(2).empty());
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti"), 1);
    const int polls = rig.polls(1) + rig.polls(2);
    pumpFor(150);
    EXPECT_EQ(rig.polls(1) + rig.polls(2), polls);
}

TEST(OnlineFailuresTest, AFaultyReaderDoesNotHoldUpTheOthers) {
    for (const char* fault : {"silent", "badcheck", "cut", "code X"}) {
        SCOPED_TRACE(fault);
        Rig rig({{1, 1, "Ingresso", "In"}, {1, 2, "Uscita", "Out"}, {1, 3, "Atrio", "Varco"}}, false);
        ASSERT_TRUE(rig.sim->running());
        TestInstall::User u;
        u.NumeroCarta = "0042";
        rig.install.addUser(u);
        ASSERT_TRUE(rig.start());
        rig.sim->setFault(1, 2, fault);
        rig.present(2, "0042000123"); // never read: every reply of this reader is spoilt
        rig.present(3, "0042000123");
        rig.click("Command4");
        ASSERT_TRUE(pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") > 0; }));
        // A few more passes, so the faulty reader is asked again and again.
        const int polls = rig.polls(2);
        ASSERT_TRUE(pumpUntil([&] { return rig.polls(2) >= polls + 3; }));
        rig.stopPolling();
        EXPECT_EQ(rig.kRequests(3), std::vector<std::string>{rig.prefix(3) + "K110001001"});
        EXPECT_TRUE(rig.kRequests(2).empty());
        EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti"), 1);
        EXPECT_EQ(
            rig.count("SELECT COUNT(*) FROM transiti WHERE PosizioneLettore LIKE 'Atrio%' AND Passaggio = 1"),
            1);
        EXPECT_TRUE(rig.op.messages().empty());
        // Never served, but never silent about it either.
        const std::string said = rig.child<QLabel>("LabelStato")->text().toStdString();
        EXPECT_NE(said.find(std::string("Lettore 2 Uscita ") +
                            (std::string(fault) == "code X" ? "risponde con errore" : "non risponde")),
                  std::string::npos)
            << said;
    }
}

TEST(OnlineFailuresTest, AnUnreadableCardTableRefusesAndSaysSoUntilItIsRestored) {
    Rig rig({{1, 1, "Ingresso", "In"}}, false, settingsText({{"Beep", "No"}}));
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0042";
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    rig.frm->show();
    auto* status = rig.child<QLabel>("LabelStato");
    ASSERT_NE(status, nullptr);

    // Another program leaves the card table unreadable under the running program.
    auto other = Database::open(rig.install.folder().database());
    other->executeScript("ALTER TABLE Carte RENAME TO CarteGuasta");
    rig.click("Command4");
    rig.present(1, "0042000123");
    ASSERT_TRUE(pumpUntil([&] { return !rig.kRequests(1).empty() && !rig.session->state().stepInProgress; }));
    EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + "K000000000"});
    EXPECT_EQ(rig.label("Label3").rfind("Archivio utenti illeggibile", 0), 0u) << rig.label("Label3");
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti WHERE nota = 'Archivio utenti illeggibile' AND "
                        "Passaggio = 0"),
              1);
    EXPECT_TRUE(status->isVisibleTo(rig.frm.get()));
    EXPECT_EQ(status->text().toStdString(), "Archivio utenti illeggibile");
    EXPECT_TRUE(rig.op.messages().empty());

    // Restored: the next card is granted and the line clears.
    other->executeScript("ALTER TABLE CarteGuasta RENAME TO Carte");
    rig.sim->clearRequests(1, 1);
    rig.present(1, "0042000123");
    ASSERT_TRUE(pumpUntil([&] { return !rig.kRequests(1).empty() && !rig.session->state().stepInProgress; }));
    rig.stopPolling();
    EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + "K110001001"});
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti WHERE Passaggio = 1"), 1);
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti WHERE NumeroBadge = '0042'"), 1);
    EXPECT_FALSE(status->isVisibleTo(rig.frm.get()));
}

TEST(OnlineFailuresTest, ADatabaseLockedByAnotherProgramStopsNoDoorAndLosesNoRecord) {
    Rig rig({{1, 1, "Ingresso", "In"}, {1, 2, "Uscita", "Out"}}, false, settingsText({{"Beep", "No"}}));
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0042";
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    rig.frm->show();

    // Another program holds the database's write lock.
    auto other = Database::open(rig.install.folder().database());
    other->executeScript("BEGIN EXCLUSIVE");
    rig.click("Command4");
    rig.present(1, "0042000123"); // granted entrance
    ASSERT_TRUE(pumpUntil([&] { return !rig.kRequests(1).empty() && !rig.session->state().stepInProgress; }));
    rig.present(2, "0999000123"); // unknown card: refused
    ASSERT_TRUE(pumpUntil([&] { return !rig.kRequests(2).empty() && !rig.session->state().stepInProgress; }));
    // The doors got their commands at once and polling goes on while the lock lasts.
    EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + "K110001001"});
    EXPECT_EQ(rig.kRequests(2), std::vector<std::string>{rig.prefix(2) + "K000000000"});
    const int pollsDuringLock = rig.polls(1);
    pumpFor(300);
    EXPECT_GT(rig.polls(1), pollsDuringLock);
    EXPECT_TRUE(rig.op.messages().empty()) << rig.op.messages().front().text;
    auto* status = rig.child<QLabel>("LabelStato");
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isVisibleTo(rig.frm.get()));
    EXPECT_NE(status->text().toStdString().find("3 registrazioni in attesa"), std::string::npos)
        << status->text().toStdString();

    // The lock goes: what waited is stored, in order, once, and the status line clears.
    other->executeScript("COMMIT");
    ASSERT_TRUE(pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") == 2; }));
    ASSERT_TRUE(pumpUntil([&] { return !status->isVisibleTo(rig.frm.get()); }));
    rig.stopPolling();
    const auto rows = rig.install.db()->query("SELECT NumeroBadge, nota FROM transiti ORDER BY indice");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1].toString(), "Passaggio");
    EXPECT_EQ(rows[1][1].toString(), "Badge non presente in archivio");
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti WHERE NumeroBadge = '0042'"), 1);
    EXPECT_EQ(rig.utentiInFile(), "1");
}

TEST(OnlineFailuresTest, AFullDiskStopsNoDoorAndLosesNoRecordNotEvenAnExit) {
    SmallFileSystem fs("size=8m");
    if (!fs.usable()) {
        GTEST_SKIP() << "no right to mount a small file system here";
    }
    Rig rig({{1, 1, "Ingresso", "In"}, {1, 2, "Uscita", "Out"}}, false, settingsText({{"Beep", "No"}}));
    fs.restoreTmpDir();
    ASSERT_EQ(rig.install.dir().rfind(fs.path() + "/", 0), 0u) << "the installation is on the small disk";
    ASSERT_TRUE(rig.sim->running());
    for (const char* card : {"0042", "0043"}) {
        TestInstall::User u;
        u.NumeroCarta = card;
        rig.install.addUser(u);
    }
    ASSERT_TRUE(rig.start());
    rig.frm->show();
    auto handled = [&](int reader, std::size_t kCount) {
        return pumpUntil(
            [&] { return rig.kRequests(reader).size() == kCount && !rig.session->state().stepInProgress; });
    };
    rig.click("Command4");
    rig.present(1, "0042000123"); // in while the disk has room
    ASSERT_TRUE(handled(1, 1));
    ASSERT_EQ(rig.count("SELECT COUNT(*) FROM presenti"), 1);

    // The write-ahead log gives its room back, then the disk fills up.
    Database::open(rig.install.folder().database())->executeScript("PRAGMA wal_checkpoint(TRUNCATE)");
    ASSERT_TRUE(fs.fill());
    rig.present(2, "0042000123"); // out: the removal from presenti cannot be stored
    ASSERT_TRUE(handled(2, 1));
    rig.present(1, "0043000123"); // in
    ASSERT_TRUE(handled(1, 2));
    rig.present(1, "0999000123"); // unknown: refused
    ASSERT_TRUE(handled(1, 3));
    rig.present(1, "0042000123"); // in again: the waiting exit lets 0042 in
    ASSERT_TRUE(handled(1, 4));
    EXPECT_EQ(rig.kRequests(1),
              (std::vector<std::string>{rig.prefix(1) + "K110001001", rig.prefix(1) + "K110001001",
                                        rig.prefix(1) + "K000000000", rig.prefix(1) + "K110001001"}));
    EXPECT_EQ(rig.kRequests(2), std::vector<std::string>{rig.prefix(2) + "K110001001"});
    EXPECT_TRUE(rig.op.messages().empty()) << rig.op.messages().front().text;
    auto* status = rig.child<QLabel>("LabelStato");
    ASSERT_NE(status, nullptr);
    const std::string shown = status->text().toStdString();
    // The room kept aside next to the journal was given back: the records are on disk, not only in
    // memory, and the line says the reserve is spent.
    EXPECT_NE(shown.find("registrazioni in attesa"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("tenute in memoria"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Spazio di riserva per le registrazioni in attesa esaurito"), std::string::npos)
        << shown;
    EXPECT_FALSE(std::filesystem::exists(rig.install.dir() + "/Sentinex.pending.riserva"));
    // The room given back may serve the database as well as the journal: each passage is in one of
    // the two, none only in memory.
    const auto waitingTransits = [&] {
        std::ifstream in(rig.install.dir() + "/Sentinex.pending");
        std::set<std::string> ids;
        for (std::string line; std::getline(in, line);) {
            const auto tab = line.find('\t');
            if (tab != std::string::npos && line.compare(tab + 1, 8, "transito") == 0) {
                ids.insert(line.substr(0, tab));
            }
        }
        return static_cast<long long>(ids.size());
    };
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti") + waitingTransits(), 5);
    const int polls = rig.polls(1);
    pumpFor(300);
    EXPECT_GT(rig.polls(1), polls) << "polling goes on while the disk is full";

    // Room again: everything is stored in its order, once, and the status line clears.
    fs.release();
    ASSERT_TRUE(pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") == 5; }));
    ASSERT_TRUE(pumpUntil([&] { return !status->isVisibleTo(rig.frm.get()); }))
        << status->text().toStdString();
    rig.stopPolling();
    const auto rows =
        rig.install.db()->query("SELECT NumeroBadge, PosizioneLettore, nota FROM transiti ORDER BY indice");
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"0042", "Passaggio"},
        {"0042", "Passaggio"},
        {"0043", "Passaggio"},
        {"0999", "Badge non presente in archivio"},
        {"0042", "Passaggio"}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0].toString(), expected[i].first) << i;
        EXPECT_EQ(rows[i][2].toString(), expected[i].second) << i;
    }
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti"), 2);
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti WHERE NumeroBadge IN ('0042', '0043')"), 2);
    EXPECT_EQ(rig.utentiInFile(), "2");
    EXPECT_EQ(rig.label("Label4"), "2");
    // Room again: the reserve is made anew for the next time.
    EXPECT_TRUE(std::filesystem::exists(rig.install.dir() + "/Sentinex.pending.riserva"));
}

TEST(OnlineFailuresTest, ASilentReaderAndASilentLineShowWithinThreePollsAndClear) {
    Rig rig({{1, 1, "Ingresso", "In"}, {1, 2, "Uscita", "Out"}}, false);
    ASSERT_TRUE(rig.sim->running());
    ASSERT_TRUE(rig.start());
    rig.frm->show();
    auto* status = rig.child<QLabel>("LabelStato");
    ASSERT_NE(status, nullptr);
    auto shown = [&] {
        return status->isVisibleTo(rig.frm.get()) ? status->text().toStdString() : std::string();
    };
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] { return rig.polls(2) >= 2; }));
    EXPECT_EQ(shown(), "");

    // One reader falls silent: named on the third poll without an answer.
    rig.sim->setFault(1, 2, "silent");
    const int before = rig.polls(2);
    ASSERT_TRUE(pumpUntil([&] { return shown().find("non risponde") != std::string::npos; })) << shown();
    EXPECT_EQ(shown(), "Lettore 2 Uscita non risponde");
    EXPECT_LE(rig.polls(2) - before, 4) << "shown within 3 polls (one more may be on the wire)";
    rig.sim->setFault(1, 2, "none");
    ASSERT_TRUE(pumpUntil([&] { return shown().empty(); })) << shown();

    // The whole line: one line says it, and it clears when the readers answer again.
    rig.sim->setFault(1, 1, "silent");
    rig.sim->setFault(1, 2, "silent");
    const int passes = rig.polls(1);
    ASSERT_TRUE(pumpUntil([&] { return shown() == "Linea seriale muta: nessun lettore risponde"; }))
        << shown();
    EXPECT_LE(rig.polls(1) - passes, 4) << "shown within 3 passes";
    rig.sim->setFault(1, 1, "none");
    rig.sim->setFault(1, 2, "none");
    ASSERT_TRUE(pumpUntil([&] { return shown().empty(); })) << shown();
    rig.stopPolling();
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti"), 0) << "silence is not a transit";
    EXPECT_TRUE(rig.op.messages().empty());
}

} // namespace
} // namespace sentinex::e2e
