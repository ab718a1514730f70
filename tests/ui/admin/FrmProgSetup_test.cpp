#include "ui/admin/FrmProgSetup.hpp"

#include "link/ReaderBus.hpp"
#include "online/PollingStep.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "support/SessionSite.hpp"
#include "support/TempDir.hpp"
#include "ui/support/FormDriver.hpp"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>

#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

/// A file the dialog accepts as it stands, with the "No"-flags written in their three spellings.
const char* const ValidFile = "[Impostazioni]\r\n"
                              "Indirizzo485=112H\r\n"
                              "CancellaStorico=Si\r\n"
                              "Seriale=2\r\n"
                              "SchedaL-485=Si\r\n"
                              "Polling=30\r\n"
                              "MassimoNumeroIngressi=40\r\n"
                              "FlagMassimoNumeroIngressi=Si\r\n"
                              "Ritardo=5\r\n"
                              "QuattroCifre=Si\r\n"
                              "FasceOrarie=No\r\n"
                              "Imparziale=NO\r\n"
                              "NumeroImparziale=0\r\n"
                              "StoricoEsterno=no\r\n"
                              "FileVireo=CARTE\r\n"
                              "ScattareAdOrario=No\r\n"
                              "OraImparziale=07:30\r\n"
                              "TastieraOutput1=No\r\n"
                              "AttivaOutput=1\r\n"
                              "OrarioIniziale1=08:00\r\n"
                              "OrarioIniziale2=##:##\r\n"
                              "OrarioIniziale3=##:##\r\n"
                              "OrarioFinale1=12:00\r\n"
                              "OrarioFinale2=##:##\r\n"
                              "OrarioFinale3=##:##\r\n"
                              "RiprendiPolling=SI\r\n"
                              "CartellaBackup=/mnt/copie di Sentinex\r\n"
                              "OraBackup=02:30\r\n"
                              "Utenti=7\r\n";

class FrmProgSetupTest : public ::testing::Test, protected testing::SessionSite {
protected:
    /// Starts the session on `file`, then opens the dialog (after `beforeOpen`, to change the file).
    FormDriver& open(const std::string& file = ValidFile, const std::string& beforeOpen = {}) {
        install.writeSettings(file);
        // As many persons inside as the counter of the valid file says (7), so start-up keeps it.
        for (int i = 0; i < 7; ++i) {
            install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {std::to_string(100 + i)});
        }
        for (int i = 0; i < 3; ++i) {
            TestInstall::Reader r;
            r.NumeroIndirizzo = i + 1;
            install.addReader(r);
        }
        session = newSession();
        EXPECT_EQ(session->start(view), Session::Start::Ready);
        if (!beforeOpen.empty()) {
            install.writeSettings(beforeOpen);
        }
        form = std::make_unique<FrmProgSetup>(*session);
        QObject::connect(form.get(), &FrmProgSetup::returnedToMain, [this] { ++returned; });
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
        return *driver;
    }
    bool ticked(const char* name) { return driver->control<QAbstractButton>(name).isChecked(); }
    bool enabled(const char* name) { return driver->control(name).isEnabled(); }
    bool visible(const char* name) { return driver->control(name).isVisibleTo(form.get()); }
    std::string file() const { return TempDir::read(install.folder().settings()); }

    std::unique_ptr<Session> session;
    std::unique_ptr<FrmProgSetup> form;
    std::unique_ptr<FormDriver> driver;
    int returned = 0;
};

TEST_F(FrmProgSetupTest, OpeningRereadsTheFileIntoTheControlsAndTheSettings) {
    // The file changes after start-up; the dialog sees the new one, except for the presence counter.
    std::string changed = ValidFile;
    changed.replace(changed.find("Polling=30"), 10, "Polling=45");
    changed.replace(changed.find("Utenti=7"), 8, "Utenti=9");
    FormDriver& d = open(ValidFile, changed);
    EXPECT_EQ(form->windowTitle(), "Sentinex - settaggio del programma");
    EXPECT_EQ(session->settings().Polling, 45);
    EXPECT_EQ(session->settings().Utenti, 7);

    const std::vector<std::pair<const char*, std::string>> texts = {
        {"Label2", "2"},
        {"Text1", "112H"},
        {"Text2", "45"},
        {"Text3", "40"},
        {"Text4", "5"},
        {"Text5_0", "08:00"},
        {"Text6_0", "12:00"},
        {"Text5_1", "##:##"},
        {"Text7", "0"},
        {"Text9", "07:30"},
        {"Text10", "1"},
        {"Text8", "CARTE"},
        {"Command1", "Ritorna alla pagina principale"},
        {"Check6", "Imparziale per l' On Line"},
        {"Frame3", "Sblocco da tastiera"},
        {"Check11", "Riprendi il polling dopo un arresto imprevisto"},
        {"Text11", "/mnt/copie di Sentinex"},
        {"Text12", "02:30"},
        {"Text13", "7"},
        {"Frame5", "Backup archivio"},
    };
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(d.text(name), text) << name;
    }
    const std::vector<std::pair<const char*, bool>> boxes = {
        {"Check1", true},  {"Check2", true},  {"Check3", true},  {"Option1", false}, {"Option2", true},
        {"Check4", false}, {"Check5", true},  {"Check6", false}, {"Check7", true},   {"Check8", false},
        {"Check9", false}, {"Check10", true}, {"Check11", true},
    };
    for (const auto& [name, on] : boxes) {
        EXPECT_EQ(ticked(name), on) << name;
    }
    // Pictures follow their boxes; the band frame and the draw time follow theirs.
    EXPECT_TRUE(enabled("Image1"));
    EXPECT_FALSE(enabled("Image2"));
    EXPECT_TRUE(enabled("Image3"));
    EXPECT_FALSE(visible("Frame2"));
    EXPECT_TRUE(d.control<QLineEdit>("Text9").isReadOnly());
    EXPECT_EQ(d.read("Text2").name, "Polling (sec) :");
    EXPECT_EQ(d.read("Text13").name, "Copie da conservare :");
}

TEST_F(FrmProgSetupTest, BandFrameAndDrawTimeFollowTheirBoxes) {
    FormDriver& d = open();
    d.click("Check4");
    EXPECT_TRUE(visible("Frame2"));
    d.click("Check4");
    EXPECT_FALSE(visible("Frame2"));
    d.click("Check8");
    EXPECT_FALSE(d.control<QLineEdit>("Text9").isReadOnly());
    d.type("Text9", "06:15");
    EXPECT_EQ(d.text("Text9"), "06:15");
    d.click("Check8");
    EXPECT_TRUE(d.control<QLineEdit>("Text9").isReadOnly());
}

TEST_F(FrmProgSetupTest, ThreeBoxesActAtOnceWithoutSaving) {
    FormDriver& d = open();
    const std::string before = file();
    struct Case {
        const char* box;
        const char* image;
        bool Settings::*field;
    };
    const Case cases[] = {
        {"Check5", "Image1", &Settings::Beep},
        {"Check6", "Image2", &Settings::Imparziale},
        {"Check7", "Image3", &Settings::StoricoEsterno},
    };
    for (const Case& c : cases) {
        const bool was = session->settings().*c.field;
        d.click(c.box);
        EXPECT_EQ(session->settings().*c.field, !was) << c.box;
        EXPECT_EQ(enabled(c.image), !was) << c.box;
        d.click(c.box);
        EXPECT_EQ(session->settings().*c.field, was) << c.box;
        EXPECT_EQ(enabled(c.image), was) << c.box;
    }
    // Other boxes wait for the save.
    d.click("Check2");
    EXPECT_TRUE(session->settings().CancellaStorico);
    EXPECT_EQ(file(), before);
}

/// A save the settings file refuses says so, keeps the dialog open with what was typed, and leaves the
/// running program on the values the next start will find.
TEST_F(FrmProgSetupTest, ASaveTheFileRefusesSaysSoAndKeepsTheOldValuesLive) {
    FormDriver& d = open();
    const int pollingBefore = session->settings().Polling;
    d.type("Text2", "55");
    // Where the rewrite's temporary file would go, a folder of that name: the write fails as on a full
    // disk or a protected folder, whoever runs the test.
    const std::string settingsPath = install.folder().settings();
    std::filesystem::rename(settingsPath, settingsPath + ".kept");
    std::filesystem::create_directory(settingsPath);
    op.clear();
    d.click("Command1");
    std::filesystem::remove(settingsPath);
    std::filesystem::rename(settingsPath + ".kept", settingsPath);
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_EQ(op.last().text, FrmProgSetup::SaveFailedText);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(returned, 0);
    EXPECT_FALSE(form->saved());
    EXPECT_EQ(d.text("Text2"), "55");
    EXPECT_EQ(session->settings().Polling, pollingBefore) << "the program runs on the values on disk";

    op.clear();
    d.click("Command1"); // the file takes it now
    EXPECT_TRUE(op.messages().empty());
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(session->settings().Polling, 55);
}

TEST_F(FrmProgSetupTest, AFailedValidationKeepsTheDialogAndWritesNothing) {
    struct Case {
        const char* box;
        const char* typed;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"Text2", "0", {"Errore nel campo POLLING."}},
        {"Text1", "1H", {"Errore nel campo INDIRIZZO 485."}},
        {"Text1", "0123", {"INDIRIZZO 485 in esadecimale."}},
        {"Text4",
         "0",
         {"Errore nel campo MASSIMO TEMPO DI RITARDO DEL LETTORE; deve essere maggiore di zero."}},
        {"Text10", "3", {"Errore nell'output per l'imparziale. Inserire un numero da 0 a 2."}},
        {"Text5_2", "8:00", {"Formato dell'orario HH:MM", "Errore nella fascia 3."}},
        {"Text8", "CARTE.TX", {"Il nome del file non deve contenere il carattere punto."}},
        {"Text8", "CARTE.TXT", {"Il nome del file deve essere al massimo di 8 caratteri."}},
        {"Text12", "2:30", {"Formato dell'orario HH:MM", "Errore nell'orario del backup."}},
        {"Text13", "0", {"Errore nel campo COPIE DI BACKUP; deve essere maggiore di zero."}},
    };
    FormDriver& d = open();
    const std::string before = file();
    for (const Case& c : cases) {
        const std::string kept = d.text(c.box);
        d.type(c.box, c.typed);
        for (bool closeBox : {false, true}) {
            op.clear();
            if (closeBox) {
                form->close();
            } else {
                d.click("Command1");
            }
            EXPECT_EQ(op.texts(), c.messages) << c.box << " " << c.typed;
            EXPECT_TRUE(form->isVisible()) << c.box;
            EXPECT_EQ(d.text(c.box), c.typed) << c.box;
        }
        d.type(c.box, QString::fromStdString(kept));
    }
    EXPECT_EQ(returned, 0);
    EXPECT_FALSE(form->saved());
    EXPECT_EQ(file(), before);
}

TEST_F(FrmProgSetupTest, InspectionCountIsCheckedAgainstTheUsersAndShifts) {
    for (const char* card : {"0001", "0002", "0003", "0004", "0005"}) {
        TestInstall::User u;
        u.NumeroCarta = card;
        install.addUser(u);
    }
    install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('Mattina'), ('Sera')");
    FormDriver& d = open();
    d.type("Text7", "3");
    d.click("Check6");
    d.click("Command1");
    EXPECT_EQ(op.texts(),
              std::vector<std::string>{"Il numero di persone per l'imparziale è maggiore del numero "
                                       "degli utenti presenti nel database."});
    op.clear();
    d.click("Check6"); // unticked, the same count passes
    d.click("Command1");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmProgSetupTest, ReturnSavesEveryKeyInOrderAndUpdatesTheSession) {
    FormDriver& d = open();
    d.type("Text1", "020H");
    d.type("Text2", "0031");
    d.click("Check1");
    d.click("Option1");
    d.click("Check4");
    d.type("Text5_1", "13:00");
    d.type("Text6_1", "17:00");
    d.click("Check8");
    d.type("Text9", "06:45");
    d.type("Text8", "TESSERE");
    d.click("Check11");
    d.type("Text11", "/srv/archivi/sentinex/copie notturne");
    d.type("Text12", "##:##"); // no daily backup
    d.type("Text13", "30");
    // Only the keys the dialog does not own are left, so every written key lands in writing order.
    install.writeSettings("[Impostazioni]\r\nSeriale=2\r\nUtenti=7\r\n");
    d.click("Command1");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(returned, 1);
    EXPECT_FALSE(form->isVisible());
    ASSERT_TRUE(form->saved());

    const Settings& s = session->settings();
    EXPECT_EQ(s.Indirizzo485, 0x20);
    EXPECT_EQ(s.Polling, 31);
    EXPECT_FALSE(s.SchedaL485);
    EXPECT_FALSE(s.QuattroCifre);
    EXPECT_TRUE(s.FasceOrarie);
    EXPECT_TRUE(s.bandDefined[1]);
    EXPECT_FALSE(s.bandDefined[2]);
    EXPECT_TRUE(s.ScattareAdOrario);
    EXPECT_EQ(s.OraImparziale, "06:45");
    EXPECT_EQ(s.FileVireo, "TESSERE");
    EXPECT_FALSE(s.RiprendiPolling);
    EXPECT_EQ(s.CartellaBackup, "/srv/archivi/sentinex/copie notturne");
    EXPECT_EQ(s.OraBackup, "##:##");
    EXPECT_EQ(s.CopieBackup, 30);
    // 31 x 10 / 3 readers = 103.3 ms.
    EXPECT_EQ(form->pollingIntervalMs(), 103);
    EXPECT_EQ(form->pollingIntervalMs(), session->pollingIntervalMs());

    // The file holds the typed texts, the keys in the dialog's order, and the keys it does not own.
    const std::string saved = file();
    EXPECT_EQ(session->settingsFile().loadAll(), [&] {
        Settings expected = s;
        return expected;
    }());
    std::size_t at = 0;
    for (const std::string& key : SettingsFile::saveOrder()) {
        const std::size_t found = saved.find("\n" + key + "=");
        ASSERT_NE(found, std::string::npos) << key;
        EXPECT_GT(found, at) << key << " out of order";
        at = found;
    }
    for (const char* line :
         {"Indirizzo485=020H", "Polling=0031", "SchedaL-485=No", "QuattroCifre=No", "Imparziale=No",
          "StoricoEsterno=Si", "OrarioIniziale2=13:00", "FileVireo=TESSERE", "RiprendiPolling=No",
          "CartellaBackup=/srv/archivi/sentinex/copie notturne", "OraBackup=##:##", "CopieBackup=30",
          "Seriale=2", "Utenti=7"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    }
}

TEST_F(FrmProgSetupTest, OpenDialogLendsItsBoardFlagAndEntryLimit) {
    FormDriver& d = open();
    const EntryLimitSource limit = form->entryLimitSource();
    EXPECT_TRUE(form->boardFlag());
    EXPECT_TRUE(limit().on);
    EXPECT_EQ(limit().maximum, 40);

    d.click("Check1");
    d.click("Check3");
    d.type("Text3", "12");
    EXPECT_FALSE(form->boardFlag());
    EXPECT_FALSE(limit().on);
    EXPECT_EQ(limit().maximum, 12);
    EXPECT_TRUE(session->settings().SchedaL485); // unsaved
    EXPECT_EQ(session->settings().MassimoNumeroIngressi, 40);

    // Once the dialog is gone, the saved values speak again.
    form.reset();
    driver.reset();
    EXPECT_TRUE(limit().on);
    EXPECT_EQ(limit().maximum, 40);
}

TEST_F(FrmProgSetupTest, TheOpenDialogsEntryLimitReachesTheAccessDecision) {
    TestInstall::User u; // online, enabled on every reader
    u.NumeroCarta = "0001";
    install.addUser(u);
    FormDriver& d = open(); // 7 persons inside, limit on at 40
    session->state().pollingOn = true;
    bus.respond([](const std::string& payload, Timing) {
        return payload.size() == 9 && payload[8] == 'D' ? OnlineFakeBus::cardReply("0001000123")
                                                        : OnlineFakeBus::codeReply('S');
    });
    const auto lastCommand = [this] {
        const std::string p = bus.payloads().back();
        return p.substr(8, 2);
    };
    // Typed, not saved: 7 inside reach a limit of 7.
    d.type("Text3", "7");
    session->pollingStep()->run(1);
    EXPECT_EQ(lastCommand(), "K0");
    EXPECT_EQ(
        install.db()->query("SELECT nota FROM transiti ORDER BY rowid DESC LIMIT 1").at(0).at(0).toString(),
        "Bloco per numero massimo");

    // The dialog gone without saving, the saved limit of 40 lets the card in.
    form.reset();
    driver.reset();
    session->pollingStep()->run(1);
    EXPECT_EQ(lastCommand(), "K1");
}

TEST_F(FrmProgSetupTest, OverTheRealLinkTheCloseBoxSavesAndReturns) {
    // Without a scripted bus the session makes the real link (its port cannot open here); the dialog lends
    // it its board flag while open and takes it back when it closes.
    install.writeSettings(ValidFile);
    Session real(install.dir(), op, clock, pump);
    ASSERT_EQ(real.start(view), Session::Start::Ready);
    auto dialog = std::make_unique<FrmProgSetup>(real);
    int back = 0;
    QObject::connect(dialog.get(), &FrmProgSetup::returnedToMain, [&] { ++back; });
    dialog->show();
    op.clear();
    EXPECT_TRUE(dialog->close());
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(back, 1);
    EXPECT_TRUE(dialog->saved());
    dialog.reset();
    EXPECT_EQ(real.bus()->exchange(ReaderAddress{1, 1, 123}, "x", Timing::Short), "");
}

} // namespace
} // namespace sentinex
