#include "session/Session.hpp"

#include "core/EventPump.hpp"
#include "online/PendingJournal.hpp"
#include "online/PollingStep.hpp"
#include "store/Database.hpp"
#include "store/Schema.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/OnlineRecordingView.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SessionSite.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

/// An installation with a reader on loop 1 (address 1) and one on loop 3 (address 2), "Polling" 100,
/// nobody inside.
struct Site : testing::SessionSite {
    Site() {
        TestInstall::Reader a;
        a.NumeroLoop = 1;
        a.NumeroIndirizzo = 1;
        install.addReader(a);
        TestInstall::Reader b;
        b.NumeroLoop = 3;
        b.NumeroIndirizzo = 2;
        install.addReader(b);
        install.writeSettings("[Impostazioni]\r\nPolling=100\r\nUtenti=0\r\nImparziale=No\r\n");
    }
};

TEST(SessionTest, StartUpOpensWhatTheProgramWorksWithAndHoldsTheFolder) {
    Site site;
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    EXPECT_TRUE(site.op.shown.empty());
    EXPECT_EQ(session->state().readers.count(), 2);
    EXPECT_FALSE(session->state().pollingOn);
    EXPECT_FALSE(session->state().outputOn);
    EXPECT_EQ(session->settings().Utenti, 0);
    EXPECT_EQ(session->pollingIntervalMs(), 500); // 100 x 10 / 2 readers
    ASSERT_NE(session->pollingStep(), nullptr);
    ASSERT_NE(session->database(), nullptr);

    // A second copy on the same folder is refused while the first runs, and may start once it is gone.
    auto second = site.newSession();
    EXPECT_EQ(second->start(site.view), Session::Start::AlreadyRunning);
    ASSERT_EQ(site.op.messages().size(), 1u);
    EXPECT_EQ(site.op.messages()[0].text, "Sentinex è già in esecuzione in questa cartella.");
    EXPECT_EQ(Session::exitCode(Session::Start::AlreadyRunning), Session::ExitAlreadyRunning);
    second.reset();
    session.reset();
    EXPECT_EQ(site.newSession()->start(site.view), Session::Start::Ready);
}

TEST(SessionTest, AFolderWithoutADatabaseEndsTheStartUpWithTheEngineMessage) {
    testing::TempDir empty;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    OnlineFakeBus bus;
    OnlineRecordingView view;
    Session session(empty.path(), op, clock, pump, &bus);
    EXPECT_EQ(session.start(view), Session::Start::NoDatabase);
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].title, "Errore");
    EXPECT_FALSE(op.messages()[0].text.empty());
    EXPECT_EQ(session.pollingStep(), nullptr);
    EXPECT_EQ(Session::exitCode(Session::Start::NoDatabase), Session::ExitDatabase);
    EXPECT_THROW(session.loadReaderList(), DatabaseError) << "no database to read the readers from";
}

TEST(SessionTest, ADamagedDatabaseIsNamedInItalianWithTheEngineWords) {
    Site site;
    const std::string path = site.install.folder().database();
    site.install.temp().write("Sentinex.mdb", std::string(4096, 'x')); // the file's pages overwritten
    for (const char* journal : {"-wal", "-shm"}) {
        std::remove((path + journal).c_str());
    }
    ScriptedOperator op;
    Session session(site.install.dir(), op, site.clock, site.pump, &site.bus);
    EXPECT_EQ(session.start(site.view), Session::Start::NoDatabase);
    ASSERT_EQ(op.messages().size(), 1u);
    const std::string text = op.messages()[0].text;
    EXPECT_EQ(text.rfind("Archivio '" + path + "' danneggiato o illeggibile (", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), ").");
}

TEST(SessionTest, ACounterThatDisagreesWithThePersonsInsideIsHealedWhenTheReadersUseTheTable) {
    // Readers "In": the table is in use and the counter follows it, whichever way it drifted.
    struct Case {
        const char* utenti;
        int rows;
    };
    for (const Case c : {Case{"4", 2}, Case{"1", 2}, Case{"0", 3}}) {
        SCOPED_TRACE(c.utenti);
        Site site;
        site.install.writeSettings(std::string("[Impostazioni]\r\nPolling=100\r\nUtenti=") + c.utenti +
                                   "\r\nImparziale=No\r\n");
        for (int i = 0; i < c.rows; ++i) {
            site.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)",
                                       {std::to_string(i + 1)});
        }
        auto session = site.newSession();
        ASSERT_EQ(session->start(site.view), Session::Start::Ready);
        EXPECT_EQ(session->settings().Utenti, c.rows);
        EXPECT_EQ(session->settingsFile().loadAll().Utenti, c.rows);
        ASSERT_EQ(site.view.status.size(), 1u);
        EXPECT_EQ(site.view.status[0], std::string("Contatore delle presenze riallineato all'avvio: da ") +
                                           c.utenti + " a " + std::to_string(c.rows) +
                                           ", le persone registrate come presenti.");
        EXPECT_TRUE(site.op.shown.empty());

        // Counter and table in agreement: nothing to say.
        session.reset();
        OnlineRecordingView quiet;
        EXPECT_EQ(site.newSession()->start(quiet), Session::Start::Ready);
        EXPECT_TRUE(quiet.status.empty());
    }
}

TEST(SessionTest, ACounterThatDisagreesIsOnlyShownWhenNoReaderUsesThePresenceTable) {
    Site site;
    site.install.writeSettings("[Impostazioni]\r\nPolling=100\r\nUtenti=4\r\nImparziale=No\r\n");
    site.install.db()->execute("UPDATE Lettori SET Stato = 'InOut'");
    site.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0001'), ('0002')");
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    EXPECT_EQ(session->settings().Utenti, 4);
    ASSERT_EQ(site.view.status.size(), 1u);
    EXPECT_EQ(site.view.status[0],
              "Il contatore delle presenze (4) non corrisponde alle persone registrate come "
              "presenti (2): l'azzeramento dell'antipass-back li riallinea.");
}

TEST(SessionTest, TheReportDatabaseIsWrittenForItsOwnerAndGroupOnly) {
    Site site;
    const std::string report = site.install.folder().reportDatabase();
    ASSERT_EQ(::chmod((report + ".schema").c_str(), 0644), 0);
    ::umask(022); // the mode must not depend on the umask the program happens to run under
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    struct stat st {};
    ASSERT_EQ(::stat(report.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SessionTest, ALockFileThatCannotBeLockedRefusesTheStartUp) {
    Site site;
    ASSERT_EQ(::mkdir((site.install.dir() + "/Sentinex.lock").c_str(), 0750), 0);
    auto session = site.newSession();
    EXPECT_EQ(session->start(site.view), Session::Start::LockUnusable);
    ASSERT_EQ(site.op.messages().size(), 1u);
    EXPECT_EQ(site.op.messages()[0].title, "Errore");
    EXPECT_EQ(site.op.messages()[0].text, Session::LockUnusableMessage);
    EXPECT_EQ(session->pollingStep(), nullptr);
    EXPECT_EQ(Session::exitCode(Session::Start::LockUnusable), Session::ExitLockUnusable);
}

TEST(SessionTest, AReloadedReaderListForgetsWhatTheStatusLineSaidOfDeletedReaders) {
    Site site;
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    session->state().pollingOn = true;
    // Reader 2 is silent (the bus answers nobody but reader 1).
    site.bus.respond([](const std::string& payload, Timing) {
        return payload.rfind("01", 0) == 0 ? OnlineFakeBus::codeReply('S') : std::string();
    });
    for (int i = 0; i < PollingStep::SilentPolls; ++i) {
        session->pollingStep()->run(1);
        session->pollingStep()->run(2);
    }
    ASSERT_FALSE(site.view.status.empty());
    EXPECT_NE(site.view.status.back().find("Lettore 2 "), std::string::npos) << site.view.status.back();

    site.install.db()->execute("DELETE FROM Lettori WHERE NumeroIndirizzo = 2");
    session->loadReaderList();
    EXPECT_EQ(session->state().readers.count(), 1);
    EXPECT_EQ(site.view.status.back(), "");
}

TEST(SessionTest, MoreThanSixtyFourReadersAreSaidOnceAndTheFirstSixtyFourServe) {
    Site site;
    TestInstall::Reader r;
    for (int i = 2; i < 65; ++i) {
        r.NumeroLoop = 2 + i / 32;
        r.NumeroIndirizzo = i % 32;
        site.install.addReader(r);
    }
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    EXPECT_EQ(session->state().readers.count(), 64);
    EXPECT_EQ(session->state().readers.entry(63).address, 31) << "the 64th stored reader";
    ASSERT_EQ(site.op.messages().size(), 1u);
    EXPECT_EQ(site.op.messages()[0].title, "Attenzione");
    EXPECT_EQ(site.op.messages()[0].text,
              "La tabella dei lettori contiene più di 64 lettori: sono stati caricati solo i primi 64.");

    session->loadReaderList();
    EXPECT_EQ(site.op.messages().size(), 1u) << "said once per run";
    EXPECT_EQ(session->state().readers.count(), 64);
}

TEST(SessionTest, WhatAPreviousRunCouldNotStoreIsStoredAtStartUp) {
    Site site;
    PendingRecord left = PendingRecord::transit(
        {"0001", "Rossi", "Mario", "Ingresso", "04/01/2026", "18:30", "1", "In", "Passaggio"});
    left.id = "previous-1";
    site.install.temp().write("Sentinex.pending", PendingJournal::encode(left));
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    const auto rows = session->database()->query("SELECT NumeroBadge, Data, Ora FROM transiti");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1].toString(), "04/01/2026");
    EXPECT_EQ(rows[0][2].toString(), "18:30");
}

TEST(SessionTest, TheStartUpInspectionSaysWhenThereIsNobodyToDraw) {
    Site site;
    site.install.setSetting("Imparziale", "Si");
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready); // start-up goes on
    ASSERT_EQ(site.op.messages().size(), 1u);
    EXPECT_EQ(site.op.messages()[0].text,
              "Impossibile eseguire la routine dell'imparziale. Il database degli "
              "utenti e/o dei turni di lavoro è vuoto.");
    EXPECT_EQ(site.op.messages()[0].title, "Errore");
    ASSERT_NE(session->inspection(), nullptr);
}

TEST(SessionTest, AnOlderDatabaseGetsThePresenceIndex) {
    Site site;
    site.install.db()->execute("DROP INDEX presenti_NumeroBadge_trim");
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    const auto rows = session->database()->query(
        "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = 'presenti_NumeroBadge_trim'");
    EXPECT_EQ(rows.at(0).at(0).toInt(), 1);
}

TEST(SessionTest, AnOlderDatabaseGetsTheOperatorsRecordEmpty) {
    Site site;
    site.install.db()->executeScript("DROP TABLE Registro; PRAGMA user_version = 2");
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    EXPECT_EQ(
        session->database()->columns("Registro"),
        (std::vector<std::string>{"Quando", "Utente", "Finestra", "Azione", "Chiave", "Prima", "Dopo"}));
    EXPECT_EQ(session->database()->query("SELECT count(*) FROM Registro").at(0).at(0).toInt(), 0);
    EXPECT_EQ(Schema::version(*session->database()), 3);
}

TEST(SessionTest, AManualUnlockWritesOneRowNamingTheReaderItOpened) {
    Site site;
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    session->unlockReader(1);
    session->unlockReader(2); // no third reader: nothing opened, nothing written
    ASSERT_EQ(site.bus.sent().size(), 1u);
    const auto rows =
        session->database()->query("SELECT Finestra, Azione, Chiave, Prima, Dopo FROM Registro");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "FrmMain");
    EXPECT_EQ(rows[0][1].toString(), "Sblocco manuale");
    EXPECT_EQ(rows[0][2].toString(), "2");
    EXPECT_EQ(rows[0][3].toString(), "");
    EXPECT_EQ(rows[0][4].toString(), "Lettore=2\nSituatoPresso=Ingresso\nNumeroLoop=3\nNumeroIndirizzo=2");
}

TEST(SessionTest, OutputsAndUnlockGoToEachReadersOwnLoop) {
    Site site;
    auto session = site.newSession();
    ASSERT_EQ(session->start(site.view), Session::Start::Ready);
    session->setReaderOutputs(1);
    session->unlockReader(1);
    ASSERT_EQ(site.bus.sent().size(), 3u);
    EXPECT_EQ(site.bus.sent()[0].payload, "01000123O01");
    EXPECT_EQ(site.bus.sent()[0].loop, 1);
    EXPECT_EQ(site.bus.sent()[1].payload, "02000123O01");
    EXPECT_EQ(site.bus.sent()[1].loop, 3);
    EXPECT_EQ(site.bus.sent()[2].payload, "02000123K110000001");
    EXPECT_EQ(site.bus.sent()[2].loop, 3);
}

} // namespace
} // namespace sentinex
