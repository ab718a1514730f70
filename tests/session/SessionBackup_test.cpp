// The backups the session makes (on demand and daily) while polling goes on, and the restore that the
// next start-up makes.

#include "session/Session.hpp"

#include "online/PollingStep.hpp"
#include "store/Database.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/OnlineHarness.hpp"
#include "support/OnlineRecordingView.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SmallFileSystem.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace fs = std::filesystem;

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::OnlineHookPump;
using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

/// A site with one reader and user "0001", a history of some megabytes (a copy of several slices), and
/// a reader that shows card 0001 whenever `cardShown` is set.
struct Site {
    explicit Site(const std::string& extraSettings = "") {
        TestInstall::Reader passage; // neither entrance nor exit: every card shown passes
        passage.Stato = "";
        install.addReader(passage);
        TestInstall::User u;
        u.NumeroCarta = "0001";
        install.addUser(u);
        install.populate(0, 20000); // the history of card 0001
        install.writeSettings(
            "[Impostazioni]\r\nPolling=100\r\nUtenti=0\r\nImparziale=No\r\nQuattroCifre=Si\r\n"
            "StoricoEsterno=No\r\n" +
            extraSettings);
        bus.respond([this](const std::string& payload, Timing) {
            const bool poll = payload.size() == 9 && payload[8] == 'D';
            return poll && cardShown ? OnlineFakeBus::cardReply("0001000123") : OnlineFakeBus::codeReply('S');
        });
    }
    std::unique_ptr<Session> start() {
        auto s = std::make_unique<Session>(install.dir(), op, clock, pump, &bus);
        EXPECT_EQ(s->start(view), Session::Start::Ready);
        s->state().pollingOn = true;
        return s;
    }
    long long grants() {
        return install.db()
            ->query("SELECT count(*) FROM transiti WHERE NumeroBadge = '0001'")
            .at(0)
            .at(0)
            .toInt();
    }
    std::string root() const { return install.dir() + "/Backup"; }

    TestInstall install;
    ScriptedOperator op;
    FakeClock clock{DateTime{2026, 3, 14, 2, 29, 0}};
    OnlineHookPump pump;
    OnlineFakeBus bus;
    OnlineRecordingView view;
    bool cardShown = false;
};

/// Ticks the daily backup as the main window's timer does, with a polling step (a card shown at the
/// first `cards` of them) between two ticks, until the backup has ended. Returns the ticks.
int tickUntilEnded(Session& session, Site& site, int cards) {
    int ticks = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    session.backupTick();
    while (session.dailyBackupRunning() && std::chrono::steady_clock::now() < giveUp) {
        site.cardShown = ticks < cards;
        session.pollingStep()->run(1);
        // The timer's pace while the copy is checked on its own thread.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        session.backupTick();
        ++ticks;
    }
    site.cardShown = false;
    return ticks;
}

TEST(SessionBackupTest, TheDailyBackupComesAtItsTimeKeepsTheLastCopiesAndLetsCardsInMeanwhile) {
    Site site("OraBackup=02:30\r\nCopieBackup=3\r\n");
    for (const char* old : {"20260310-023000", "20260311-023000", "20260312-023000", "20260313-023000"}) {
        fs::create_directories(site.root() + "/" + old);
    }
    auto session = site.start();
    session->backupTick();
    EXPECT_FALSE(session->dailyBackupRunning()) << "not before 02:30";

    site.clock.set({2026, 3, 14, 2, 30, 0});
    const long long before = site.grants();
    const int ticks = tickUntilEnded(*session, site, 3);
    EXPECT_GT(ticks, 3) << "the copy took several slices, with polling steps between them";
    EXPECT_EQ(site.grants(), before + 3) << "every card shown during the backup was let in and recorded";
    EXPECT_EQ(site.bus.payloads().back().substr(8, 1), "D");

    EXPECT_EQ(fs::is_directory(site.root() + "/20260314-023000"), true);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(site.root())) {
        left.push_back(e.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"20260312-023000", "20260313-023000", "20260314-023000"}));
    ASSERT_FALSE(site.view.status.empty());
    EXPECT_NE(site.view.status.back().find("Backup automatico del 14/03/2026 02:30:00 eseguito in " +
                                           site.root() + "/20260314-023000"),
              std::string::npos)
        << site.view.status.back();
    EXPECT_TRUE(site.op.shown.empty()) << "the daily backup opens no box";

    // Once a day.
    site.clock.set({2026, 3, 14, 2, 31, 0});
    session->backupTick();
    EXPECT_FALSE(session->dailyBackupRunning());
}

TEST(SessionBackupTest, AFailedDailyBackupIsSaidOnTheStatusLineAndPollingGoesOn) {
    testing::SmallFileSystem disk("size=1m", false);
    TempDir elsewhere;
    const std::string plainFile = elsewhere.write("non-una-cartella", "x");
    const struct {
        const char* what;
        std::string folder;
        const char* says;
    } cases[] = {
        {"a folder that cannot be made", plainFile, "Backup non eseguito: impossibile creare la cartella "},
        {"a full disk", disk.path(), "Backup non eseguito: errore nella copia dell'archivio ("},
    };
    for (const auto& c : cases) {
        if (c.folder == disk.path() && !disk.usable()) {
            continue; // no right to mount a small file system here
        }
        Site site("OraBackup=02:30\r\nCartellaBackup=" + c.folder + "\r\n");
        auto session = site.start();
        site.clock.set({2026, 3, 14, 2, 30, 0});
        const long long before = site.grants();
        tickUntilEnded(*session, site, 0);
        ASSERT_FALSE(site.view.status.empty()) << c.what;
        const std::string status = site.view.status.back();
        EXPECT_NE(
            status.find(std::string("Backup automatico del 14/03/2026 02:30:00 non riuscito. ") + c.says),
            std::string::npos)
            << c.what << ": " << status;
        EXPECT_TRUE(site.op.shown.empty()) << c.what << ": no box stops polling";
        EXPECT_FALSE(fs::exists(c.folder + "/Backup/20260314-023000")) << c.what;

        // The doors go on working after it.
        site.cardShown = true;
        session->pollingStep()->run(1);
        EXPECT_EQ(site.bus.payloads().back().substr(8, 2), "K1")
            << c.what << ": "
            << site.install.db()
                   ->query("SELECT nota FROM transiti ORDER BY rowid DESC LIMIT 1")
                   .at(0)
                   .at(0)
                   .toString();
        EXPECT_EQ(site.grants(), before + 1) << c.what;
    }
}

TEST(SessionBackupTest, ABackupOnDemandShowsItsProgressServesPollingAndSaysWhereItWent) {
    Site site;
    auto session = site.start();
    int steps = 0;
    site.pump.hook = [&] {
        // The main window's polling timer, while the wait form is up; a tick during a step is skipped.
        EXPECT_TRUE(site.op.waitVisible);
        if (session->pollingStep()->inProgress()) {
            return;
        }
        site.cardShown = steps == 0;
        session->pollingStep()->run(1);
        ++steps;
    };
    const long long before = site.grants();
    session->backupNow();
    EXPECT_FALSE(site.op.waitVisible);
    EXPECT_GT(steps, 1);
    EXPECT_EQ(site.grants(), before + 1) << site.view.lastEvent();
    ASSERT_FALSE(site.op.progress.empty());
    EXPECT_EQ(site.op.progress.front(), "Backup archivio: 0%");
    EXPECT_EQ(site.op.progress.back(), "Backup archivio: 100%");
    ASSERT_EQ(site.op.messages().size(), 1u);
    EXPECT_EQ(site.op.messages()[0].title, "Messaggio");
    EXPECT_EQ(site.op.messages()[0].text,
              "Backup eseguito nella cartella " + site.root() + "/20260314-022900.");
    EXPECT_TRUE(fs::is_regular_file(site.root() + "/20260314-022900/Sentinex.mdb"));
    EXPECT_TRUE(fs::is_regular_file(site.root() + "/20260314-022900/Sentinex.ini"));
    // The operators' record has the backup, once.
    const auto rows = session->database()->query("SELECT Finestra, Azione, Chiave, Dopo FROM Registro");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "FrmFunzAgg");
    EXPECT_EQ(rows[0][1].toString(), "Backup archivio");
    EXPECT_EQ(rows[0][2].toString(), "20260314-022900");
    EXPECT_EQ(rows[0][3].toString(), "Cartella=" + site.root() + "/20260314-022900");
}

TEST(SessionBackupTest, TheNextStartUpRunsOnTheRestoredFiles) {
    Site site;
    {
        auto session = site.start();
        session->backupNow();
    }
    // After the backup a user is added; the restore takes the site back to before it.
    TestInstall::User later;
    later.Cognome = "Bianchi";
    later.NumeroCarta = "0777";
    site.install.addUser(later);
    site.op.shown.clear();
    std::ofstream(site.install.dir() + "/Sentinex.ripristino") << site.root() + "/20260314-022900";

    // The test's own connection goes too: the start-up replaces the file under no open connection.
    site.install.closeDatabases();
    auto session = std::make_unique<Session>(site.install.dir(), site.op, site.clock, site.pump, &site.bus);
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    ASSERT_EQ(site.op.messages().size(), 1u);
    EXPECT_EQ(site.op.messages()[0].title, "Messaggio");
    EXPECT_EQ(
        site.op.messages()[0].text.rfind("Ripristino completato dal backup del 14/03/2026 02:29:00.", 0), 0u);
    const auto count = [](Database& db) {
        return db.query("SELECT count(*) FROM Carte WHERE Cognome = 'Bianchi'").at(0).at(0).toInt();
    };
    EXPECT_EQ(count(*session->database()), 0);
    EXPECT_EQ(count(*Database::open(site.install.dir() + "/Sentinex.mdb.prima-del-ripristino", false)), 1);
    EXPECT_NE(site.view.status.back().find("Ripristino completato"), std::string::npos);
    // The restored file's record (a copy holds what was recorded before it was taken, not its own row)
    // gains the restore.
    const auto rows = session->database()->query("SELECT Finestra, Azione FROM Registro ORDER BY rowid");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "FrmRipristino");
    EXPECT_EQ(rows[0][1].toString(), "Archivio ripristinato");
}

} // namespace
} // namespace sentinex
