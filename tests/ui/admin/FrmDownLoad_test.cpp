#include "ui/admin/FrmDownLoad.hpp"

#include "online/PendingJournal.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "support/SessionSite.hpp"
#include "ui/admin/JournalDownloadSink.hpp"
#include "ui/support/FormDriver.hpp"

#include <QComboBox>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TestInstall;

/// Two readers ("INGRESSO" In, "UFFICI" Out) answering from their memories of stored transits.
class FrmDownLoadTest : public ::testing::Test, protected testing::SessionSite {
protected:
    void SetUp() override {
        const char* places[] = {"INGRESSO", "UFFICI"};
        const char* states[] = {"In", "Out"};
        for (int k = 1; k <= 2; ++k) {
            TestInstall::Reader r;
            r.NumeroIndirizzo = k;
            r.SituatoPresso = places[k - 1];
            r.Stato = states[k - 1];
            install.addReader(r);
        }
        TestInstall::User anna;
        anna.Cognome = "Bianchi";
        anna.Nome = "Anna";
        anna.NumeroCarta = "0042";
        install.addUser(anna);
        clock.set({2026, 1, 4, 10, 0, 0});
        bus.respond([this](const std::string& payload, Timing) {
            const std::string address = payload.substr(0, 2);
            if (payload.at(8) == 'S') {
                auto& memory = memories[address];
                if (memory.empty()) {
                    return OnlineFakeBus::codeReply('F');
                }
                const std::string record = memory.front();
                memory.pop_front();
                return std::string("\x02") + address + "Z" + record + "\x05" + "k";
            }
            return OnlineFakeBus::codeReply('S');
        });
    }
    FormDriver& open(bool clearAfter = false) {
        install.setSetting("CancellaStorico", clearAfter ? "Si" : "No");
        install.setSetting("QuattroCifre", "Si");
        session = newSession();
        EXPECT_EQ(session->start(view), Session::Start::Ready);
        op.clear();
        sink = std::make_unique<JournalDownloadSink>(*session->downloadJournal());
        form = std::make_unique<FrmDownLoad>(*session, sink.get());
        QObject::connect(form.get(), &FrmDownLoad::closed, [this] { ++closed; });
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
        return *driver;
    }
    void closeSession() {
        driver.reset();
        form.reset();
        sink.reset();
        session.reset();
    }
    std::vector<std::vector<Value>> history() {
        return install.db()->query("SELECT NumeroBadge, Cognome, PosizioneLettore, Data, Ora, verso, nota "
                                   "FROM transiti ORDER BY rowid");
    }

    std::map<std::string, std::deque<std::string>> memories;
    std::unique_ptr<Session> session;
    std::unique_ptr<JournalDownloadSink> sink;
    std::unique_ptr<FrmDownLoad> form;
    std::unique_ptr<FormDriver> driver;
    int closed = 0;
};

TEST_F(FrmDownLoadTest, OpensOnAllReadersWithTheChooserLockedAndSaysWhatItWillDo) {
    for (const bool clearAfter : {true, false}) {
        SCOPED_TRACE(clearAfter);
        FormDriver& d = open(clearAfter);
        EXPECT_EQ(form->windowTitle().toStdString(), "Sentinex - downLoad");
        EXPECT_EQ(d.text("Frame1"), "Opzioni");
        EXPECT_TRUE(d.control<QRadioButton>("Option2").isChecked());
        EXPECT_FALSE(d.control<QRadioButton>("Option1").isChecked());
        auto& chooser = d.control<QComboBox>("Combo1");
        EXPECT_FALSE(chooser.isEnabled());
        ASSERT_EQ(chooser.count(), 2);
        EXPECT_EQ(chooser.itemText(1).toStdString(), "Lettore 2 - situato presso : UFFICI  ");
        EXPECT_EQ(d.text("Label1"), "Numero lettori : 2");
        EXPECT_EQ(d.read("Label1").name, "Numero lettori : 2");
        EXPECT_EQ(d.text("Label2"), clearAfter ? "Cancello la memoria dopo il download"
                                               : "Non cancello la memoria dopo il download");
        EXPECT_EQ(d.text("Command1"), "Ok");
        EXPECT_EQ(d.text("Command2"), "Annulla");
        d.click("Option1");
        EXPECT_TRUE(chooser.isEnabled());
        d.click("Option2");
        EXPECT_FALSE(chooser.isEnabled());
        closeSession();
    }
}

TEST_F(FrmDownLoadTest, OkDownloadsWithTheFormDisabledAndClosesItWhenComplete) {
    FormDriver& d = open(/*clearAfter*/ true);
    memories["01"] = {"00420905"
                      "0301"};
    memories["02"] = {"00070800"
                      "0501",
                      "00421200"
                      "0201"};
    std::vector<bool> enabled;
    bus.duringExchange([this, &enabled] {
        enabled.push_back(form->isEnabled());
        form->close(); // the close box during a run is ignored
    });
    d.click("Command1");
    EXPECT_EQ(enabled, std::vector<bool>(bus.sent().size(), false));
    EXPECT_EQ(bus.sent().size(), 2u + 5u + 2u); // Q and E01 for each reader, S until F
    EXPECT_EQ(bus.payloads().back(), "02000123E01");
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(form->isVisible());
    const auto rows = history();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0],
              (std::vector<Value>{"0042", "Bianchi", "INGRESSO", "03/01/2026", "09:05", "In", "OffLine"}));
    EXPECT_EQ(rows[1][3].toString(), "05/01/2025");
    EXPECT_EQ(rows[2][5].toString(), "Out");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, "Operazione completata.");
}

TEST_F(FrmDownLoadTest, SingleReaderWithNothingChosenAsksForAReaderAndSendsNothing) {
    FormDriver& d = open(/*clearAfter*/ true);
    memories["01"] = {"00420905"
                      "0301"};
    d.checkAccessibly("Option1");
    EXPECT_TRUE(d.control<QComboBox>("Combo1").isEnabled());
    EXPECT_EQ(d.text("Combo1"), "") << "no reader is chosen for the operator";
    d.click("Command1");
    EXPECT_TRUE(bus.sent().empty()) << "reader 1 is neither downloaded nor cleared";
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, "Scegliere il lettore.");
    EXPECT_EQ(memories["01"].size(), 1u);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FrmDownLoadTest, SingleReaderDownloadsOnlyTheChosenOne) {
    FormDriver& d = open();
    memories["01"] = {"00420905"
                      "0301"};
    memories["02"] = {"00420906"
                      "0301"};
    d.click("Option1");
    d.control<QComboBox>("Combo1").setCurrentIndex(1);
    d.click("Command1");
    for (const std::string& p : bus.payloads()) {
        EXPECT_EQ(p.substr(0, 2), "02") << p;
    }
    EXPECT_EQ(bus.payloads(), (std::vector<std::string>{"02000123Q", "02000123S", "02000123S"}));
    EXPECT_EQ(history().size(), 1u);
    EXPECT_EQ(memories["01"].size(), 1u);
}

TEST_F(FrmDownLoadTest, ARecordTheDatabaseRefusesWaitsInTheJournalAndIsStoredAtTheNextStart) {
    FormDriver& d = open(/*clearAfter*/ true);
    memories["01"] = {"00420905"
                      "0301",
                      "00420906"
                      "0301",
                      "00420907"
                      "0301"};
    install.db()->executeScript("CREATE TRIGGER disk_full BEFORE INSERT ON transiti WHEN NEW.Ora = '09:06' "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    d.click("Command1");
    // Stopped before the third record was asked for; nothing cleared; the form stays for another try.
    EXPECT_EQ(bus.payloads(), (std::vector<std::string>{"01000123Q", "02000123Q", "01000123S", "01000123S"}));
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(form->isEnabled());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(session->downloadJournal()->waiting(), 1u);
    EXPECT_TRUE(std::filesystem::exists(install.folder().file(Session::DownloadJournalFile)));
    EXPECT_EQ(history().size(), 1u);

    // The database takes records again; the next start stores the one that waited, as "Storico" would.
    closeSession();
    install.db()->execute("DROP TRIGGER disk_full");
    open();
    const auto rows = history();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1],
              (std::vector<Value>{"0042", "Bianchi", "INGRESSO", "03/01/2026", "09:06", "In", "OffLine"}));
    EXPECT_EQ(session->downloadJournal()->waiting(), 0u);
}

} // namespace
} // namespace sentinex
