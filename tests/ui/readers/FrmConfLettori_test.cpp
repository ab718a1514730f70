#include "ui/readers/FrmConfLettori.hpp"

#include "session/Session.hpp"
#include "support/SessionSite.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TestInstall;

class FrmConfLettoriTest : public ::testing::Test, protected testing::SessionSite {
protected:
    /// Starts the session and opens the form; readers and settings are set up before.
    void open(bool board = false) {
        install.writeSettings(std::string("[Impostazioni]\r\nPolling=100\r\nSchedaL-485=") +
                              (board ? "Si" : "No") + "\r\nQuattroCifre=Si\r\nImparziale=No\r\n");
        session = newSession();
        ASSERT_EQ(session->start(view), Session::Start::Ready);
        form = std::make_unique<FrmConfLettori>(*session);
        form->setOnReturn([this] { ++returned; });
        driver = std::make_unique<FormDriver>(*form, &op);
    }
    void addReaders(int n, const std::string& type = "NANO NN-K") {
        for (int i = 0; i < n; ++i) {
            TestInstall::Reader r;
            r.TipoLettore = type;
            r.NumeroLoop = 1 + i / 32;
            r.NumeroIndirizzo = i % 32;
            install.addReader(r);
        }
    }
    /// "Nuovo lettore" with a valid reader typed in (loop 2, address 9).
    void startNew() {
        driver->click("Command3");
        driver->control<QComboBox>("Combo1").setCurrentText("TERA TR-Y1");
        driver->control<QComboBox>("Combo2").setCurrentText("In");
        driver->type("Text3", "BAR");
        driver->type("Text4", "42");
        driver->type("Text5", "3");
        driver->type("Text9", "2");
        driver->type("Text10", "9");
    }
    bool visible(const char* name) { return driver->control(name).isVisibleTo(form.get()); }
    /// The card-file utility window while it is shown.
    static QWidget* utilityWindow() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == "FrmUtilVireo" && top->isVisible()) {
                return top;
            }
        }
        return nullptr;
    }
    bool enabled(const char* name) { return driver->control(name).isEnabled(); }
    std::string stored(const char* field, int position = 1) {
        return install.db()
            ->query(std::string("SELECT ") + field + " FROM Lettori ORDER BY rowid LIMIT 1 OFFSET ?",
                    {Value(position - 1)})
            .at(0)
            .at(0)
            .toString();
    }

    std::unique_ptr<Session> session;
    std::unique_ptr<FrmConfLettori> form;
    std::unique_ptr<FormDriver> driver;
    int returned = 0;
};

TEST_F(FrmConfLettoriTest, ValidationTableWhenSaving) {
    TestInstall::Reader existing;
    existing.NumeroLoop = 2;
    existing.NumeroIndirizzo = 5;
    install.addReader(existing);
    open(true);
    struct Case {
        const char* field;
        const char* typed;
        std::optional<std::string> message; // nothing: saved
    };
    const std::vector<Case> cases = {
        {"Text4", "1234567", "Errore nei dati. Controllare il codice applicazione."},
        {"Text9", "0", "Errore nei dati. Controllare il numero del loop."},
        {"Text9", "9", "Errore nei dati. Controllare il numero del loop."},
        {"Text10", "32", "Errore nei dati. Controllare il numero dell'indirizzo."},
        {"Text7_2", "100", "Errore nei dati. Controllare le posizioni relative al numero carta."},
        {"Text8_0", "100", "Errore nei dati. Controllare le posizioni relative al numero codice."},
        {"Text5", "50", "Errore nei dati. Controllare il tempo di apertura."},
        {"Text10", "5", "Indirizzo già assegnato."}, // loop 2 address 5 exists: a new reader clashes
        {"Text7_2", "99", std::nullopt},
    };
    for (const Case& c : cases) {
        op.clear();
        startNew();
        driver->type(c.field, c.typed);
        driver->click("Command4");
        if (c.message) {
            ASSERT_EQ(op.messages().size(), 1u) << c.field << " " << c.typed;
            EXPECT_EQ(op.messages()[0].text, *c.message) << c.field << " " << c.typed;
            EXPECT_EQ(driver->text("Label11"), "Nuovo...") << "stays in creation";
            EXPECT_EQ(driver->text("Command4"), "Salva dati");
            driver->click("Command3"); // Annulla
            EXPECT_EQ(driver->text("Label11"), "Record 1 su 1");
        } else {
            EXPECT_TRUE(op.messages().empty()) << c.field << " " << c.typed;
            EXPECT_EQ(driver->text("Label11"), "Record 2 su 2");
        }
    }
    EXPECT_EQ(driver->text("Text4"), "000042") << "0042-style codes are shown and stored with six digits";
    EXPECT_EQ(stored("CodiceImpianto", 2), "000042");
    EXPECT_EQ(stored("PosCarta3", 2), "99");

    // Editing the first reader with its own loop and address passes; onto the second one's it clashes.
    driver->click("Command2");
    op.clear();
    driver->click("Command4");
    EXPECT_EQ(driver->text("Label11"), "Modifica...");
    driver->type("Text3", "Cortile");
    driver->click("Command4");
    EXPECT_TRUE(op.messages().empty());
    EXPECT_EQ(stored("SituatoPresso", 1), "Cortile ");
    driver->click("Command4");
    driver->type("Text10", "9");
    driver->click("Command4");
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].text, "Indirizzo già assegnato.");
}

TEST_F(FrmConfLettoriTest, SixtyFourReadersAtMost) {
    for (int n : {63, 64}) {
        driver.reset();
        form.reset();
        session.reset();
        install.db()->execute("DELETE FROM Lettori");
        addReaders(n);
        open();
        op.clear();
        driver->click("Command3");
        if (n == 64) {
            ASSERT_EQ(op.messages().size(), 1u);
            EXPECT_EQ(op.messages()[0].title, "Attenzione");
            EXPECT_EQ(op.messages()[0].text, "Massimo 64 lettori.");
            EXPECT_EQ(driver->text("Label11"), "Record 1 su 64");
            EXPECT_EQ(driver->text("Command3"), "Nuovo lettore");
        } else {
            EXPECT_TRUE(op.messages().empty());
            EXPECT_EQ(driver->text("Label11"), "Nuovo...");
        }
    }
}

TEST_F(FrmConfLettoriTest, NewReaderDefaultsAndLocationStoredInEightCharacters) {
    open(false);
    EXPECT_EQ(driver->text("Label11"), "Nessun lettore presente");
    startNew();
    EXPECT_TRUE(visible("Combo1"));
    EXPECT_FALSE(visible("Text2"));
    const char* positions[] = {"Text7_0", "Text7_1", "Text7_2", "Text7_3", "Text8_0",
                               "Text8_1", "Text8_2", "Text8_3", "Text8_4", "Text8_5"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(driver->text(positions[i]), std::to_string(i));
    }
    EXPECT_TRUE(driver->control<QCheckBox>("Check1").isChecked());
    EXPECT_FALSE(enabled("Text9")) << "without the L-485 board the loop is not typed";
    EXPECT_EQ(driver->text("Text9"), "1");
    driver->type("Text3", "INGRESSO PRINCIPALE");
    driver->click("Command4");
    EXPECT_TRUE(op.messages().empty());
    EXPECT_EQ(stored("SituatoPresso"), "INGRESSO");
    EXPECT_EQ(stored("NumeroLoop"), "1");
    EXPECT_EQ(driver->text("Text2"), "TERA TR-Y1");
    EXPECT_FALSE(visible("Combo1"));
    startNew();
    driver->type("Text10", "10");
    driver->type("Text3", "BAR");
    driver->click("Command4");
    EXPECT_EQ(stored("SituatoPresso", 2), "BAR     ");
}

TEST_F(FrmConfLettoriTest, AnnullaDuringCreationReturnsToTheRecordShownBefore) {
    addReaders(3);
    open();
    driver->click("Command1");
    EXPECT_EQ(driver->text("Label11"), "Record 2 su 3");
    startNew();
    driver->click("Command3");
    EXPECT_EQ(driver->text("Label11"), "Record 2 su 3");
    EXPECT_EQ(driver->text("Text10"), "1");
    EXPECT_EQ(driver->text("Command3"), "Nuovo lettore");
    EXPECT_TRUE(enabled("Command7"));
    // Next and previous stop at the ends.
    driver->click("Command1");
    driver->click("Command1");
    EXPECT_EQ(driver->text("Label11"), "Record 3 su 3");
    for (int i = 0; i < 3; ++i) {
        driver->click("Command2");
    }
    EXPECT_EQ(driver->text("Label11"), "Record 1 su 3");
}

TEST_F(FrmConfLettoriTest, DeletingKeepsEveryUsersDoorsAndTheLastDeleteEmptiesTheForm) {
    addReaders(3);
    TestInstall::User u;
    u.Lettore = "101" + std::string(61, '0');
    const auto id = install.addUser(u);
    open();
    driver->click("Command1");
    driver->answer(Answer::Yes);
    driver->click("Command5");
    EXPECT_EQ(op.shown.back().text, "Sei sicuro di voler eliminare il lettore ?");
    EXPECT_EQ(driver->text("Label11"), "Record 1 su 2");
    EXPECT_EQ(install.db()
                  ->query("SELECT Lettore FROM Carte WHERE rowid = ?", {Value(static_cast<long long>(id))})
                  .at(0)
                  .at(0)
                  .toString(),
              "11" + std::string(62, '0'));
    // "No" deletes nothing.
    driver->answer(Answer::No);
    driver->click("Command5");
    EXPECT_EQ(driver->text("Label11"), "Record 1 su 2");
    for (int i = 0; i < 2; ++i) {
        driver->answer(Answer::Yes);
        driver->click("Command5");
    }
    EXPECT_EQ(driver->text("Label11"), "Nessun lettore presente");
    EXPECT_FALSE(enabled("Command4"));
    EXPECT_FALSE(enabled("Command5"));
    EXPECT_FALSE(enabled("Command6"));
    EXPECT_EQ(driver->read("Label11").name, "Nessun lettore presente");
}

TEST_F(FrmConfLettoriTest, UtilitiesOnlyForTeraTrX) {
    addReaders(1, "TERA TR-X");
    addReaders(1, "NANO NN-K");
    install.db()->execute("UPDATE Lettori SET NumeroIndirizzo = 7 WHERE rowid = 2");
    open();
    form->show();
    EXPECT_TRUE(visible("Command8"));
    EXPECT_EQ(driver->control("Command6").width(), 1080 / 15);
    driver->click("Command1");
    EXPECT_FALSE(visible("Command8"));
    EXPECT_EQ(driver->control("Command6").width(), 2240 / 15);
    driver->click("Command2");
    EXPECT_TRUE(visible("Command8"));

    // While the reader is being edited only "Annulla" and "Salva dati" act: no utility on unsaved values.
    driver->click("Command4");
    driver->click("Command8");
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(utilityWindow(), nullptr);
    driver->click("Command3");
    driver->click("Command8");
    EXPECT_FALSE(form->isEnabled()) << "in browse mode Utilities opens the card-file utility";
    ASSERT_NE(utilityWindow(), nullptr);
    utilityWindow()->close();
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(FrmConfLettoriTest, LeavingReloadsTheSessionsReaderList) {
    open();
    EXPECT_EQ(session->state().readers.count(), 0);
    startNew();
    driver->click("Command4");
    EXPECT_EQ(session->state().readers.count(), 0)
        << "the polling sees the change only when the form is left";
    driver->click("Command7");
    EXPECT_EQ(session->state().readers.count(), 1);
    EXPECT_EQ(session->state().readers.entry(0).address, 9);
    EXPECT_EQ(returned, 1);

    // The close box acts the same way.
    form->show();
    startNew();
    driver->type("Text10", "11");
    driver->click("Command4");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(session->state().readers.count(), 2);
    EXPECT_EQ(returned, 2);
}

TEST_F(FrmConfLettoriTest, ProgrammaOwnsTheScreenUntilItEnds) {
    TestInstall::Reader r;
    r.NumeroLoop = 1;
    r.NumeroIndirizzo = 4;
    r.CodiceImpianto = "000077";
    install.addReader(r);
    addReaders(1);
    open();
    // During the run, whatever reaches the form (the close box, another command even when a queued
    // click bypasses its disabled state) does nothing, and the run completes.
    const std::vector<std::pair<const char*, std::function<void()>>> attempts = {
        {"close box", [&] { EXPECT_FALSE(form->close()); }},
        {"Ritorna alla pagina principale", [&] { emit driver->control<QPushButton>("Command7").clicked(); }},
        {"Up", [&] { emit driver->control<QPushButton>("Command1").clicked(); }},
        {"Nuovo lettore", [&] { emit driver->control<QPushButton>("Command3").clicked(); }},
        {"Elimina lettore", [&] { emit driver->control<QPushButton>("Command5").clicked(); }},
    };
    for (const auto& [what, attempt] : attempts) {
        SCOPED_TRACE(what);
        bus.clear();
        op.clear();
        bool tried = false;
        bus.duringExchange([&] {
            if (!tried) {
                tried = true;
                EXPECT_FALSE(enabled("Command6"));
                EXPECT_FALSE(enabled("Command7"));
                EXPECT_FALSE(enabled("Command3"));
                attempt();
            }
        });
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
        driver->answer(Answer::No);
        driver->click("Command6");
        EXPECT_TRUE(tried);
        EXPECT_EQ(op.last().text, "Programmazione effettuata.");
        EXPECT_EQ(bus.payloads()[0], "04000077A00007700000");
        EXPECT_EQ(returned, 0);
        EXPECT_EQ(driver->control<QLineEdit>("Text10").text().toStdString(), "4")
            << "still on the first reader";
        EXPECT_EQ(stored("NumeroIndirizzo", 2), "0") << "nothing deleted";
        EXPECT_TRUE(enabled("Command6"));
        EXPECT_TRUE(enabled("Command7"));
    }
}

} // namespace
} // namespace sentinex

namespace sentinex {
namespace {

/// "Programma" owns the screen: the close box, "Ritorna alla pagina principale", "Elimina lettore" and
/// "Nuovo lettore" pressed during the run do nothing, and the run reaches "Programmazione effettuata.".
TEST_F(FrmConfLettoriTest, NothingActsWhileProgrammaTalksToTheReader) {
    const struct {
        const char* what;
        void (*disturb)(FrmConfLettori& form, FormDriver& d);
    } cases[] = {
        {"close box", [](FrmConfLettori& form, FormDriver&) { form.close(); }},
        {"Ritorna alla pagina principale", [](FrmConfLettori&, FormDriver& d) { d.click("Command7"); }},
        {"Elimina lettore", [](FrmConfLettori&, FormDriver& d) { d.click("Command5"); }},
        {"Nuovo lettore", [](FrmConfLettori&, FormDriver& d) { d.click("Command3"); }},
    };
    TestInstall::Reader r;
    r.NumeroIndirizzo = 4;
    r.CodiceImpianto = "000077";
    install.addReader(r);
    open();
    form->show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        op.clear();
        bus.clear();
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
        bool disturbed = false;
        bus.duringExchange([&] {
            if (!disturbed) {
                disturbed = true;
                op.queueAnswer(Answer::Yes); // a delete, were it to act, would be confirmed
                c.disturb(*form, *driver);
            }
        });
        driver->answer(Answer::No);
        driver->click("Command6");
        EXPECT_TRUE(disturbed);
        EXPECT_EQ(op.last().text, "Programmazione effettuata.");
        EXPECT_EQ(returned, 0) << "the form left under the run";
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(install.db()->query("SELECT COUNT(*) FROM Lettori").at(0).at(0).toInt(), 1);
        EXPECT_EQ(driver->text("Label11"), "Record 1 su 1") << "no new reader started";
        bus.duringExchange({});
    }
}

/// Leaving with a reader table the store cannot read: "Errore", and the form still returns.
TEST_F(FrmConfLettoriTest, LeavingWithAnUnreadableReaderTableSaysSoAndStillReturns) {
    open();
    install.db()->executeScript("ALTER TABLE Lettori RENAME TO LettoriAltrove");
    EXPECT_NO_THROW(driver->click("Command7"));
    EXPECT_EQ(returned, 1);
    ASSERT_FALSE(op.messages().empty());
    EXPECT_EQ(op.last().title, "Errore");
    install.db()->executeScript("ALTER TABLE LettoriAltrove RENAME TO Lettori");
}

} // namespace
} // namespace sentinex
