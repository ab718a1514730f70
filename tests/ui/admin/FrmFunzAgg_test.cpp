#include "ui/admin/FrmFunzAgg.hpp"

#include "core/SettingsFile.hpp"
#include "online/PollingStep.hpp"
#include "session/Session.hpp"
#include "support/SessionSite.hpp"
#include "ui/admin/FrmDownLoad.hpp"
#include "ui/admin/FrmGestPassw.hpp"
#include "ui/admin/FrmRegistro.hpp"
#include "ui/admin/FrmRipristino.hpp"
#include "ui/history/FrmViewStoria.hpp"
#include "ui/masterdata/FrmFasceOnline.hpp"
#include "ui/masterdata/FrmFestivita.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TestInstall;

/// The visible top-level window of kind T, or null.
template <typename T> T* shownWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* typed = qobject_cast<T*>(w); typed && typed->isVisible()) {
            return typed;
        }
    }
    return nullptr;
}

QImage imageOf(const QPixmap& pm) {
    return pm.toImage().convertToFormat(QImage::Format_ARGB32);
}

class FrmFunzAggTest : public ::testing::Test, protected testing::SessionSite {
protected:
    /// Starts the session with the counter `utenti`, `inside` badges in `presenti` and `readers` readers,
    /// then opens the form.
    FormDriver& open(int utenti = 0, int inside = 0, int readers = 2) {
        install.setSetting("Utenti", std::to_string(utenti));
        for (int i = 0; i < inside; ++i) {
            install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {std::to_string(100 + i)});
        }
        for (int i = 0; i < readers; ++i) {
            TestInstall::Reader r;
            r.NumeroIndirizzo = i + 1;
            r.Stato = readerState;
            install.addReader(r);
        }
        session = newSession();
        EXPECT_EQ(session->start(view), Session::Start::Ready);
        op.clear();
        form = std::make_unique<FrmFunzAgg>(*session);
        QObject::connect(form.get(), &FrmFunzAgg::returnedToMain, [this] { ++returned; });
        QObject::connect(form.get(), &FrmFunzAgg::presenceReset, [this] { ++resets; });
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
        return *driver;
    }
    /// True when `Command5` shows the picture of the named picture control.
    bool resetButtonShows(const char* picture) {
        const auto& button = driver->control<QPushButton>("Command5");
        const auto& label = driver->control<QLabel>(picture);
        const QPixmap shown = button.icon().pixmap(label.pixmap().size());
        return !shown.isNull() && imageOf(shown) == imageOf(label.pixmap());
    }
    std::int64_t inside() { return install.db()->query("SELECT COUNT(*) FROM presenti")[0][0].toInt(); }
    std::string fileCounter() const { return SettingsFile(install.folder().settings()).readRaw("Utenti"); }
    void expectOnlyMessage(const std::string& title, const std::string& text, MsgIcon icon) {
        ASSERT_EQ(op.shown.size(), 1u) << (op.shown.empty() ? "" : op.shown.back().text);
        EXPECT_EQ(op.shown[0].kind, ScriptedOperator::Kind::Message);
        EXPECT_EQ(op.shown[0].title, title);
        EXPECT_EQ(op.shown[0].text, text);
        EXPECT_EQ(op.shown[0].icon, icon);
    }

    std::string readerState = "In"; // of the readers `open` adds
    std::unique_ptr<Session> session;
    std::unique_ptr<FrmFunzAgg> form;
    std::unique_ptr<FormDriver> driver;
    int returned = 0;
    int resets = 0;
};

TEST_F(FrmFunzAggTest, ShowsEveryButtonWithItsCaption) {
    FormDriver& d = open();
    EXPECT_EQ(form->windowTitle().toStdString(), "Sentinex - altre opzioni");
    const std::vector<std::pair<const char*, std::string>> captions = {
        {"Command1", "Stampa archivio utenti"},
        {"Command2", "DownLoad storico"},
        {"Command3", "Archivio storico"},
        {"Command4", "Ritorna alla pagina principale"},
        {"Command5", "Riazzera AntiPass-Back"},
        {"Command6", "Upload carte"},
        {"Command7", "Elimina storico da tutti i lettori"},
        {"Command8", "Fasce orarie On Line"},
        {"Command9", "Password"},
        {"Command10", "Scelta utenti per l'imparziale"},
        {"Command11", "Festività"},
        {"Command12", "Backup archivio"},
        {"Command13", "Ripristina archivio"},
        {"Command14", "Registro operazioni"},
    };
    for (const auto& [name, caption] : captions) {
        SCOPED_TRACE(name);
        EXPECT_EQ(d.text(name), caption);
        EXPECT_TRUE(d.control(name).isVisible());
        EXPECT_TRUE(d.control(name).isEnabled());
    }
    // The two pictures are a store for the anti-passback button, not shown themselves.
    EXPECT_FALSE(d.control("Image1").isVisible());
    EXPECT_FALSE(d.control("Image2").isVisible());
    EXPECT_FALSE(imageOf(d.control<QLabel>("Image1").pixmap()) ==
                 imageOf(d.control<QLabel>("Image2").pixmap()));
}

TEST_F(FrmFunzAggTest, TheResetButtonShowsWhetherSomebodyIsInside) {
    struct Case {
        int utenti;
        const char* picture;
    };
    for (const Case& c : {Case{0, "Image1"}, Case{1, "Image2"}, Case{12, "Image2"}}) {
        SCOPED_TRACE(c.utenti);
        open(c.utenti, 0, 0);
        EXPECT_TRUE(resetButtonShows(c.picture));
        form.reset();
        driver.reset();
        session.reset();
    }
}

TEST_F(FrmFunzAggTest, AntiPassbackResetAsksThenEmptiesPresentiAndTheCounter) {
    // Counter 3 but only two rows, at readers that keep no presence (start-up mends the counter only
    // where the table is in use): the status line says they disagree until the reset.
    readerState = "Varco";
    open(3, 2);
    ASSERT_FALSE(session->pollingStep()->status().text().empty());
    EXPECT_TRUE(resetButtonShows("Image2"));

    // No: nothing changes.
    op.queueAnswer(Answer::No);
    driver->click("Command5");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].kind, ScriptedOperator::Kind::Question);
    EXPECT_EQ(op.shown[0].title, "Domanda");
    EXPECT_EQ(op.shown[0].text, "Confermi l'azzeramento dell'antipass-back ?");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(inside(), 2);
    EXPECT_EQ(session->settings().Utenti, 3);
    EXPECT_EQ(fileCounter(), "3");
    EXPECT_EQ(resets, 0);
    EXPECT_TRUE(resetButtonShows("Image2"));

    // Yes: table, counter and file go to nothing, the main window is told, the picture changes.
    op.clear();
    op.queueAnswer(Answer::Yes);
    driver->click("Command5");
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].text, "Confermi l'azzeramento dell'antipass-back ?");
    EXPECT_EQ(op.shown[1].title, "Messaggio");
    EXPECT_EQ(op.shown[1].text, "Operazione completata.");
    EXPECT_EQ(op.shown[1].icon, MsgIcon::Information);
    EXPECT_EQ(inside(), 0);
    EXPECT_EQ(session->settings().Utenti, 0);
    EXPECT_EQ(fileCounter(), "0");
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(resetButtonShows("Image1"));
    EXPECT_EQ(session->pollingStep()->status().text(), "");

    // Now nobody is inside: the reset refuses without asking.
    op.clear();
    driver->click("Command5");
    expectOnlyMessage("Messaggio", "L'antipass-back è già azzerato.", MsgIcon::Information);
    EXPECT_EQ(resets, 1);
}

TEST_F(FrmFunzAggTest, UploadCarteProgramsEveryCardIntoEveryReaderWithTheFormDisabledMeanwhile) {
    FormDriver& d = open(0, 0, 2);
    for (const char* number : {"0001", "0002", "0003"}) {
        TestInstall::User u;
        u.NumeroCarta = number;
        u.Flag_online = false;
        install.addUser(u);
    }
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    std::vector<bool> enabledDuringRun;
    bus.duringExchange([this, &enabledDuringRun] { enabledDuringRun.push_back(form->isEnabled()); });
    d.click("Command6");
    ASSERT_EQ(bus.sent().size(), 6u);
    EXPECT_EQ(enabledDuringRun, std::vector<bool>(6, false));
    EXPECT_EQ(bus.payloads()[0].substr(0, 13), "01000123B0001");
    EXPECT_EQ(bus.payloads()[5].substr(0, 13), "02000123B0003");
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(form->isVisible());
    expectOnlyMessage("Messaggio", "Programmazione effettuata.", MsgIcon::Information);
}

TEST_F(FrmFunzAggTest, UploadCarteAndClearingRefuseBeforeTouchingAReader) {
    struct Case {
        const char* name;
        const char* button;
        bool users;
        int readers;
        bool polling;
        bool output;
        const char* title;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"upload, no users", "Command6", false, 0, true, true, "Attenzione",
         "Il database delle carte è vuoto."},
        {"upload, no readers", "Command6", true, 0, true, true, "Attenzione", "Non ci sono lettori."},
        {"upload, polling", "Command6", true, 1, true, true, "Messaggio", "Disabilitare prima il polling."},
        {"upload, output", "Command6", true, 1, false, true, "Messaggio",
         "Disabilitare prima l'output automatico."},
        {"clearing, no readers", "Command7", true, 0, true, true, "Attenzione", "Non ci sono lettori."},
        {"clearing, polling", "Command7", true, 1, true, true, "Messaggio", "Disabilitare prima il polling."},
        {"clearing, output", "Command7", true, 1, false, true, "Messaggio",
         "Disabilitare prima l'output automatico."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        install.db()->execute("DELETE FROM Carte");
        if (c.users) {
            install.addUser({});
        }
        open(0, 0, c.readers);
        session->state().pollingOn = c.polling;
        session->state().outputOn = c.output;
        driver->click(c.button);
        expectOnlyMessage(c.title, c.text, MsgIcon::Exclamation);
        EXPECT_TRUE(bus.sent().empty());
        EXPECT_TRUE(form->isEnabled());
        form.reset();
        driver.reset();
        session.reset();
        install.db()->execute("DELETE FROM Lettori");
    }
}

TEST_F(FrmFunzAggTest, ClearingAsksThenEmptiesEveryReaderWithTheFormDisabledMeanwhile) {
    FormDriver& d = open(0, 0, 2);
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    std::vector<bool> enabledDuringRun;
    bus.duringExchange([this, &enabledDuringRun] { enabledDuringRun.push_back(form->isEnabled()); });
    d.answer(Answer::Yes);
    d.click("Command7");
    EXPECT_EQ(bus.payloads(), (std::vector<std::string>{"01000123E01", "02000123E01"}));
    EXPECT_EQ(enabledDuringRun, (std::vector<bool>{false, false}));
    EXPECT_TRUE(form->isEnabled());
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].text, "Sei sicuro di eliminare dai tutti i lettori lo storico delle transazioni ?");
    EXPECT_EQ(op.shown[1].text, "Cancellazione effettuata.");

    // No: nothing is sent and the form is usable again.
    op.clear();
    bus.clear();
    d.answer(Answer::No);
    d.click("Command7");
    EXPECT_TRUE(bus.sent().empty());
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(FrmFunzAggTest, DownloadOpensItsFormWithThisOneDisabledUntilItCloses) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Annulla");
        FormDriver& d = open(0, 0, 2);
        d.click("Command2");
        auto* download = shownWindow<FrmDownLoad>();
        ASSERT_NE(download, nullptr);
        EXPECT_FALSE(form->isEnabled());
        EXPECT_TRUE(form->isVisible());
        // This form cannot be left while the download form is open.
        form->close();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(returned, 0);
        if (closeBox) {
            download->close();
        } else {
            FormDriver(*download, &op).click("Command2");
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(shownWindow<FrmDownLoad>(), nullptr);
        EXPECT_TRUE(form->isEnabled());
        EXPECT_TRUE(bus.sent().empty());
        form.reset();
        driver.reset();
        session.reset();
        install.db()->execute("DELETE FROM Lettori");
    }
}

TEST_F(FrmFunzAggTest, DownloadAndBandsRefuseWhileTheReadersAreBusyOrMissing) {
    struct Case {
        const char* name;
        const char* button;
        int readers;
        bool polling;
        bool output;
        const char* title;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"download, no readers", "Command2", 0, true, true, "Attenzione", "Non ci sono lettori."},
        {"download, polling", "Command2", 1, true, true, "Messaggio", "Disabilitare prima il polling."},
        {"download, output", "Command2", 1, false, true, "Messaggio",
         "Disabilitare prima l'output automatico."},
        {"bands, polling", "Command8", 0, true, true, "Messaggio", "Disabilitare prima il polling."},
        {"bands, output", "Command8", 0, false, true, "Messaggio", "Disabilitare prima l'output automatico."},
        {"holidays, polling", "Command11", 0, true, true, "Messaggio", "Disabilitare prima il polling."},
        {"holidays, output", "Command11", 0, false, true, "Messaggio",
         "Disabilitare prima l'output automatico."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(0, 0, c.readers);
        session->state().pollingOn = c.polling;
        session->state().outputOn = c.output;
        driver->click(c.button);
        expectOnlyMessage(c.title, c.text, MsgIcon::Exclamation);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(shownWindow<FrmFasceOnline>(), nullptr);
        EXPECT_EQ(shownWindow<FrmFestivita>(), nullptr);
        form.reset();
        driver.reset();
        session.reset();
        install.db()->execute("DELETE FROM Lettori");
    }
}

TEST_F(FrmFunzAggTest, ToolWindowsOpenInItsPlaceAndBringItBack) {
    open();
    struct Case {
        const char* button;
        std::function<QWidget*()> find;
    };
    const std::vector<Case> cases = {
        {"Command3", [] { return shownWindow<FrmViewStoria>(); }},
        {"Command8", [] { return shownWindow<FrmFasceOnline>(); }},
        {"Command9", [] { return shownWindow<FrmGestPassw>(); }},
        {"Command11", [] { return shownWindow<FrmFestivita>(); }},
        {"Command14", [] { return shownWindow<FrmRegistro>(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        op.clear();
        driver->click(c.button);
        QWidget* tool = c.find();
        ASSERT_NE(tool, nullptr);
        EXPECT_FALSE(form->isVisible());
        tool->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(c.find(), nullptr);
    }
    EXPECT_EQ(returned, 0);
}

TEST_F(FrmFunzAggTest, UsersListButtonPrintsTheUsersOfTheMainDatabase) {
    // No users: the report says so instead of opening its preview.
    FormDriver& d = open();
    install.db()->execute("DELETE FROM Carte");
    d.click("Command1");
    expectOnlyMessage("Attenzione", "Non ci sono utenti nel database.", MsgIcon::Exclamation);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FrmFunzAggTest, InspectionButtonRunsTheInspectionNow) {
    // "Imparziale" is off in the kit's file: the run on demand says so.
    install.setSetting("Imparziale", "No");
    FormDriver& d = open();
    d.click("Command10");
    expectOnlyMessage("Messaggio", "L'imparziale non è stato attivato.", MsgIcon::Exclamation);
}

TEST_F(FrmFunzAggTest, ReturnButtonAndCloseBoxGoBackToTheMainWindowOnce) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Command4");
        returned = 0;
        open(0, 0, 0);
        if (closeBox) {
            form->close();
        } else {
            driver->click("Command4");
        }
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(returned, 1);
        form->close(); // a second close is not a second return
        EXPECT_EQ(returned, 1);
        form.reset();
        driver.reset();
        session.reset();
    }
}

TEST_F(FrmFunzAggTest, BackupArchivioCopiesTheArchiveIntoADatedFolderWithItsProgressOnTheWaitForm) {
    clock.set({2026, 3, 14, 10, 5, 30});
    FormDriver& d = open();
    d.click("Command12");
    const std::string folder = install.dir() + "/Backup/20260314-100530";
    expectOnlyMessage("Messaggio", "Backup eseguito nella cartella " + folder + ".", MsgIcon::Information);
    EXPECT_FALSE(op.waitVisible);
    ASSERT_FALSE(op.progress.empty());
    EXPECT_EQ(op.progress.back(), "Backup archivio: 100%");
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/Sentinex.mdb"));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FrmFunzAggTest, RipristinaArchivioOpensTheChoiceOnlyWithTheSwitchesOffAndABackupToChoose) {
    FormDriver& d = open();
    d.click("Command13");
    expectOnlyMessage("Messaggio", "Non ci sono backup da ripristinare.", MsgIcon::Information);
    EXPECT_EQ(shownWindow<FrmRipristino>(), nullptr);

    d.click("Command12");
    for (const bool polling : {true, false}) {
        op.clear();
        session->state().pollingOn = polling;
        session->state().outputOn = !polling;
        d.click("Command13");
        expectOnlyMessage("Messaggio",
                          polling ? "Disabilitare prima il polling."
                                  : "Disabilitare prima l'output automatico.",
                          MsgIcon::Exclamation);
        EXPECT_EQ(shownWindow<FrmRipristino>(), nullptr);
    }

    session->state().outputOn = false;
    op.clear();
    int restarts = 0;
    QObject::connect(form.get(), &FrmFunzAgg::restartRequested, [&] { ++restarts; });
    d.click("Command13");
    FrmRipristino* restore = shownWindow<FrmRipristino>();
    ASSERT_NE(restore, nullptr);
    EXPECT_FALSE(form->isVisible()) << "the choice opens in this form's place";
    FormDriver r(*restore, &op);
    r.click("Command2");
    QApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(restarts, 0);

    d.click("Command13");
    FormDriver again(*shownWindow<FrmRipristino>(), &op);
    op.queueAnswer(Answer::Yes);
    again.click("Command1");
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(std::filesystem::exists(install.dir() + "/Sentinex.ripristino"));
}

} // namespace
} // namespace sentinex
