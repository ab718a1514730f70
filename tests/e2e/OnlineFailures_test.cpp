// What the online access control does end to end when a reader does not confirm a grant, when the
// card file of the Vireo readers is missing, when a reader falls silent and when the database is locked.

#include "E2eRig.hpp"

#include "store/Database.hpp"

namespace sentinex::e2e {
namespace {

TEST(OnlineFailuresTest, GrantTheReaderDoesNotConfirmIsNeitherShownNorRecorded) {
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
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti"), 0);
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
    }
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

} // namespace
} // namespace sentinex::e2e
