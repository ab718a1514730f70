#include "ui/masterdata/FrmCardsAbil.hpp"

#include "ui/masterdata/FrmCardSearch.hpp"
#include "ui/masterdata/FrmDefFasce.hpp"
#include "ui/masterdata/FrmFasceOnline.hpp"
#include "ui/masterdata/FrmPassAbil.hpp"

#include "core/EventPump.hpp"
#include "session/Session.hpp"
#include "support/FakeClock.hpp"
#include "ui/common/FrmWait.hpp"
#include "ui/main/FrmMain.hpp"

#include "core/Settings.hpp"
#include "readers/AppState.hpp"
#include "store/Database.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "support/UserFormFixture.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TestInstall;
using testing::UserFormFixture;

class FrmCardsAbilTest : public UserFormFixture {
protected:
    FormDriver& open() {
        form = std::make_unique<FrmCardsAbil>(install.db(), op, settings, state, bus);
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
        return *driver;
    }
    bool enabled(const char* name) { return driver->control<QWidget>(name).isEnabled(); }
    bool ticked(const char* name) { return driver->control<QAbstractButton>(name).isChecked(); }
    /// The widget Tab moves to from `from`: the next one in the focus chain that takes Tab focus.
    static QWidget* nextTabStop(QWidget& from) {
        for (QWidget* w = from.nextInFocusChain(); w && w != &from; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisible()) {
                return w;
            }
        }
        return nullptr;
    }
    void press(int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(),
                                &down);
    }

    std::unique_ptr<FrmCardsAbil> form;
    std::unique_ptr<FormDriver> driver;
};

// The buttons that a table without users leaves disabled.
const char* const NeedsAUser[] = {"Command4",  "Command5",  "Command6",  "Command8", "Command9",
                                  "Command10", "Command11", "Command14", "Command15"};

TEST_F(FrmCardsAbilTest, EmptyTableThenNewUserDefaults) {
    FormDriver& d = open();
    EXPECT_EQ(d.text("Label6"), "0 Utenti");
    EXPECT_EQ(d.read("Label6").name, "0 Utenti");
    for (const char* name : NeedsAUser) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    for (const char* name : {"Command3", "Command7", "Command1", "Command12"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_FALSE(enabled("Frame1"));

    d.click("Command3");
    EXPECT_EQ(d.text("Command3"), "Annulla");
    EXPECT_EQ(d.text("Command4"), "Salva dati");
    EXPECT_TRUE(enabled("Command4"));
    EXPECT_EQ(d.text("Label6"), "Nuovo...");
    for (const char* name :
         {"Check1", "Check2", "Check3", "Check5", "Option2", "Option4", "Option5", "Option7", "Option12"}) {
        EXPECT_TRUE(ticked(name)) << name;
    }
    for (const char* name : {"Check4", "Option1", "Option3", "Option6", "Option8", "Option9"}) {
        EXPECT_FALSE(ticked(name)) << name;
    }
    for (const char* name : {"Command1", "Command2", "Command5", "Command7", "Command9", "Command10",
                             "Command11", "Command12", "Command13", "Command14", "Command15"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_TRUE(enabled("Command8"));
    EXPECT_TRUE(enabled("Frame1"));
    // "On Line" ticked: the online band frame shows, the stand-alone one hides.
    EXPECT_TRUE(d.control<QGroupBox>("Frame6").isVisible());
    EXPECT_FALSE(d.control<QGroupBox>("Frame11").isVisible());

    d.type("Text1", "Neri");
    d.type("Text4", "7");
    d.click("Command4");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(d.text("Text4"), "0007");
    EXPECT_EQ(d.text("Label6"), "1 / 1");
    EXPECT_EQ(d.text("Command3"), "Nuovo utente");
    EXPECT_EQ(d.text("Command4"), "Modifica utente");
    EXPECT_FALSE(form->editing());
    const auto rows =
        install.db()->query("SELECT Cognome, NumeroCarta, Imparziale, Lettore, Flag_online FROM Carte");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<Value>{"Neri", "0007", 0, std::string(64, '0'), 1}));
}

TEST_F(FrmCardsAbilTest, CancelReturnsToTheRecordShownBefore) {
    addUser("Uno", "0001");
    addUser("Due", "0002", {{"Lettore", "010"}});
    addUser("Tre", "0003");
    FormDriver& d = open();
    d.click("Command13");
    d.click("Command2");
    EXPECT_EQ(d.text("Label6"), "2 / 3");
    d.click("Command3");
    d.type("Text1", "Nuovo");
    d.click("Command3");
    EXPECT_EQ(d.text("Label6"), "2 / 3");
    EXPECT_EQ(d.text("Text1"), "Due");
    EXPECT_EQ(form->readerFlags()[1], 1);
    EXPECT_EQ(d.text("Command3"), "Nuovo utente");
    for (const char* name :
         {"Command1", "Command2", "Command5", "Command7", "Command10", "Command11", "Command12"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_FALSE(enabled("Frame1"));
    // Navigation stops at the ends.
    d.click("Command12");
    d.click("Command2");
    EXPECT_EQ(d.text("Label6"), "1 / 3");
    d.click("Command13");
    d.click("Command1");
    EXPECT_EQ(d.text("Label6"), "3 / 3");
    EXPECT_EQ(d.text("Text1"), "Tre");
}

TEST_F(FrmCardsAbilTest, DeleteDownToNoUsers) {
    addUser("Uno", "0001");
    addUser("Due", "0002");
    FormDriver& d = open();
    d.click("Command13");
    d.answer(Answer::No);
    d.click("Command5");
    EXPECT_EQ(op.last().text, "Sei sicuro di voler eliminare l'utente ?");
    EXPECT_EQ(op.last().title, "Domanda");
    EXPECT_EQ(d.text("Label6"), "2 / 2");

    d.answer(Answer::Yes);
    d.click("Command5");
    EXPECT_EQ(d.text("Label6"), "1 / 1");
    EXPECT_EQ(d.text("Text1"), "Uno");
    d.answer(Answer::Yes);
    d.click("Command5");
    EXPECT_EQ(d.text("Label6"), "0 Utenti");
    EXPECT_EQ(d.text("Text1"), "");
    for (const char* name : NeedsAUser) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    for (const char* name : {"Command3", "Command7", "Command1", "Command2", "Command12", "Command13"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM Carte")[0][0], Value(0));
}

TEST_F(FrmCardsAbilTest, OnLineAndAbilitaSwitchTheBandFramesByClickOrByCheckedState) {
    addUser("Uno", "0001");
    for (bool byClick : {true, false}) {
        FormDriver& d = open();
        const auto set = [&](const char* name, bool on) {
            auto& box = d.control<QAbstractButton>(name);
            if (byClick) {
                if (box.isChecked() != on) {
                    d.click(name);
                }
            } else {
                box.setChecked(on); // as assistive technology checks it: no click
            }
        };
        d.click("Command4");
        EXPECT_TRUE(d.control<QGroupBox>("Frame6").isVisible());
        set("Check5", false);
        EXPECT_FALSE(d.control<QGroupBox>("Frame6").isVisible()) << byClick;
        EXPECT_TRUE(d.control<QGroupBox>("Frame11").isVisible()) << byClick;
        EXPECT_TRUE(enabled("Frame11"));
        EXPECT_TRUE(enabled("Command9"));
        set("Check5", true);
        EXPECT_FALSE(enabled("Command9")) << "online without \"Abilita\"";
        set("Check4", true);
        EXPECT_TRUE(enabled("Command9")) << byClick;
        EXPECT_TRUE(enabled("Combo1")) << byClick;
        d.click("Command3");
    }
}

TEST_F(FrmCardsAbilTest, OptionsAndBoxesTakeTheirCheckedStateInEditModeOnly) {
    settings.FasceOrarie = true;
    settings.bandDefined[0] = false; // "Fascia 1" has no times
    const auto key = addUser("Uno", "0001");
    FormDriver& d = open();
    // Browse mode shows the user: a box checked from outside goes back to what is stored.
    d.control<QAbstractButton>("Option1").setChecked(true);
    EXPECT_TRUE(ticked("Option2"));
    EXPECT_FALSE(ticked("Option1"));

    d.click("Command4");
    for (const char* name : {"Option1", "Option3", "Option6", "Option8"}) {
        d.control<QAbstractButton>(name).setChecked(true);
    }
    d.control<QAbstractButton>("Check2").setChecked(false);
    d.control<QAbstractButton>("Check5").setChecked(false);
    EXPECT_TRUE(d.control<QGroupBox>("Frame11").isVisible());
    d.control<QAbstractButton>("Option10").setChecked(true);
    d.control<QAbstractButton>("Option9").setChecked(true); // "Fascia 1" is not defined: refused
    EXPECT_TRUE(ticked("Option10"));
    d.click("Command4");
    EXPECT_TRUE(op.shown.empty()) << op.shown.front().text;
    EXPECT_EQ(install.db()->query("SELECT ControllaInput, MetodoInput, Input1, Input2, Output1, Flag_online, "
                                  "SceltaFascia FROM Carte WHERE rowid = ?",
                                  {key})[0],
              (std::vector<Value>{1, 1, 0, 0, 0, 0, 2}));
    EXPECT_TRUE(ticked("Option1"));
    EXPECT_TRUE(ticked("Option10"));
}

TEST_F(FrmCardsAbilTest, KeyboardEscCancelsOnlyWhileAButtonReadsAnnullaAndEnterSaves) {
    addUser("Uno", "0001");
    FormDriver& d = open();
    form->activateWindow();
    press(Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(d.text("Command3"), "Nuovo utente");

    d.click("Command3");
    d.control<QLineEdit>("Text1").setFocus();
    press(Qt::Key_Escape);
    EXPECT_FALSE(form->editing());
    EXPECT_EQ(d.text("Text1"), "Uno");

    d.click("Command3");
    d.type("Text1", "Due");
    d.type("Text4", "2\n"); // Enter in a text box saves
    EXPECT_FALSE(form->editing());
    EXPECT_EQ(d.text("Label6"), "2 / 2");
}

TEST_F(FrmCardsAbilTest, TextBoxesAreNamedByTheirLabelsAndTabFollowsTheForm) {
    FormDriver& d = open();
    const std::pair<const char*, const char*> boxes[] = {
        {"Text1", "Cognome :"},      {"Text2", "Nome :"}, {"Text3", "Indirizzo :"},
        {"Text4", "Numero carta :"}, {"Text5", "Note :"}, {"Combo1", "Turno orario"}};
    for (const auto& [name, label] : boxes) {
        EXPECT_EQ(d.read(name).name, label) << name;
    }
    EXPECT_EQ(d.control<QLineEdit>("Text4").maxLength(), 4);
    // In edit mode Tab walks the boxes as the form reads.
    d.click("Command3");
    const char* order[] = {"Text1",  "Text2",  "Text3",  "Text4", "Text5",
                           "Check1", "Check5", "Check2", "Check3"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        EXPECT_EQ(nextTabStop(d.control<QWidget>(order[i])), &d.control<QWidget>(order[i + 1])) << order[i];
    }
    EXPECT_EQ(form->windowTitle(), "Sentinex - abilitazione carte");
}

TEST_F(FrmCardsAbilTest, CloseBoxReturnsToMainOnlyOutsideEditMode) {
    addUser("Uno", "0001");
    FormDriver& d = open();
    int returned = 0;
    QObject::connect(form.get(), &FrmCardsAbil::returnedToMain, [&returned] { ++returned; });
    d.click("Command4");
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(returned, 0);
    d.click("Command3");
    d.click("Command7");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmCardsAbilTest, RefusedSaveStaysInEditModeWithTheTypedValues) {
    FormDriver& d = open();
    install.db()->executeScript("CREATE TRIGGER refuse BEFORE INSERT ON Carte "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    d.click("Command3");
    d.type("Text1", "Bianchi");
    d.type("Text4", "9");
    d.click("Command4");
    ASSERT_FALSE(op.shown.empty());
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_NE(op.last().text.find("database or disk is full"), std::string::npos);
    EXPECT_FALSE(op.waitVisible);
    EXPECT_TRUE(form->editing());
    EXPECT_EQ(d.text("Text1"), "Bianchi");
    EXPECT_EQ(d.text("Label6"), "Nuovo...");
}

TEST_F(FrmCardsAbilTest, AssociaLettoriEditsTheWorkingFlagsThatOnlySaveWrites) {
    const char* places[] = {"INGRESSO", "UFFICI", "MAGAZZIN"};
    for (int k = 0; k < 3; ++k) {
        TestInstall::Reader r;
        r.NumeroIndirizzo = k + 1;
        r.SituatoPresso = places[k];
        install.addReader(r);
    }
    const auto key = addUser("Uno", "0001", {{"Lettore", "100"}});
    FormDriver& d = open();

    // Browse mode: the association is shown, not changed.
    d.click("Command8");
    auto* shown = qobject_cast<FrmPassAbil*>(form->openedWindow());
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(form->isEnabled());
    EXPECT_FALSE(form->close()); // the users form waits for the association form
    {
        FormDriver a(*shown);
        EXPECT_EQ(a.text("Check1_1"), "UFFICI  "); // as stored, eight characters
        EXPECT_TRUE(a.control<QCheckBox>("Check1_0").isChecked());
        EXPECT_FALSE(a.control<QWidget>("Frame1").isEnabled());
        a.click("Check1_1");
        a.click("Command1");
    }
    QApplication::processEvents();
    EXPECT_EQ(form->openedWindow(), nullptr);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(form->readerFlags()[1], 0);

    // Edit mode: ticked boxes reach Lettore only with "Salva dati"; "Annulla" forgets them.
    for (bool save : {false, true}) {
        d.click("Command4");
        d.click("Command8");
        auto* editable = qobject_cast<FrmPassAbil*>(form->openedWindow());
        ASSERT_NE(editable, nullptr);
        FormDriver a(*editable);
        EXPECT_TRUE(a.control<QWidget>("Frame1").isEnabled());
        a.click("Check1_0");
        a.click("Check1_2");
        a.click("Command1");
        QApplication::processEvents();
        EXPECT_EQ(form->readerFlags()[0], 0);
        EXPECT_EQ(form->readerFlags()[2], 1);
        EXPECT_EQ(stored(key, "Lettore"), Value("100")) << "nothing written before the save";
        d.click(save ? "Command4" : "Command3");
        EXPECT_TRUE(op.shown.empty());
    }
    EXPECT_EQ(stored(key, "Lettore"), Value("001" + std::string(61, '0')));

    // The close box of the association form is a cancel.
    d.click("Command4");
    d.click("Command8");
    ASSERT_NE(form->openedWindow(), nullptr);
    FormDriver(*form->openedWindow()).click("Check1_1");
    form->openedWindow()->close();
    QApplication::processEvents();
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(form->readerFlags()[1], 0);
}

TEST_F(FrmCardsAbilTest, FasceOrarieShowsTheStandAloneOrTheOnlineBand) {
    settings.OrarioIniziale[1] = "13:00";
    settings.OrarioFinale[1] = "18:00";
    addUser("Offline", "0001", {{"Flag_online", 0}, {"SceltaFascia", 2}});
    addUser("Turnista", "0002", {{"Flag_fasce", 1}, {"NomeFascia", "Turno A"}});
    addBand("Turno A");
    FormDriver& d = open();

    d.click("Command9");
    auto* standAlone = qobject_cast<FrmDefFasce*>(form->openedWindow());
    ASSERT_NE(standAlone, nullptr);
    EXPECT_FALSE(form->isEnabled());
    {
        FormDriver f(*standAlone);
        EXPECT_EQ(f.text("Text1_1"), "13:00");
        EXPECT_EQ(f.control<QLineEdit>("Text1_1").palette().color(QPalette::Base), QColor(0, 255, 0));
        EXPECT_EQ(f.control<QLineEdit>("Text1_0").palette().color(QPalette::Base), QColor(255, 0, 0));
    }
    standAlone->close(); // the close box gives the users form back
    QApplication::processEvents();
    EXPECT_TRUE(form->isEnabled());

    d.click("Command1");
    d.click("Command9");
    auto* online = qobject_cast<FrmFasceOnline*>(form->openedWindow());
    ASSERT_NE(online, nullptr);
    {
        FormDriver f(*online);
        EXPECT_EQ(f.text("Frame4"), "N.Carta");
        EXPECT_EQ(f.text("Label5"), "0002");
        EXPECT_EQ(f.text("Text5"), "Turno A");
        EXPECT_EQ(f.text("Text1_0"), "08:00");
        EXPECT_TRUE(f.control<QLineEdit>("Text1_0").isReadOnly());
        for (const char* name :
             {"Command1", "Command2", "Command3", "Command5", "Command6", "Command7", "Command8"}) {
            EXPECT_FALSE(f.control<QWidget>(name).isEnabled()) << name;
        }
        // Monday is the band's only day: its caption green, the others red.
        EXPECT_TRUE(f.control<QCheckBox>("Check1_0").isChecked());
        EXPECT_EQ(f.control<QGroupBox>("Frame2_0").palette().color(QPalette::WindowText), QColor(0, 255, 0));
        EXPECT_EQ(f.control<QGroupBox>("Frame2_1").palette().color(QPalette::WindowText), QColor(255, 0, 0));
        // Only the caption: the day's box and labels keep the ordinary text colour.
        EXPECT_EQ(f.control<QCheckBox>("Check1_0").palette().color(QPalette::Active, QPalette::WindowText),
                  online->palette().color(QPalette::Active, QPalette::WindowText));
        f.click("Command4");
    }
    QApplication::processEvents();
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(form->openedWindow(), nullptr);

    // A chooser that names no band, then an empty one.
    install.db()->execute("DELETE FROM Fasce");
    d.click("Command9");
    EXPECT_EQ(op.last().text, "Il turno definito nelle fasce orarie non esiste.");
    EXPECT_FALSE(op.waitVisible);
    d.click("Command4");
    d.control<QComboBox>("Combo1").setEditText("  ");
    d.click("Command9");
    EXPECT_EQ(op.last().text, "Non è stato inserito nessun turno.");
    EXPECT_EQ(op.last().title, "Attenzione");
    EXPECT_EQ(form->openedWindow(), nullptr);
}

TEST_F(FrmCardsAbilTest, RicercaFindsByNumericCardNumberOrExactSurname) {
    addUser("Verdi", "0001");
    addUser("Rossi", "0012");
    addUser("Bianchi", "0030");
    FormDriver& d = open();
    d.click("Command13");
    struct Case {
        int field; // index in the search form's list
        const char* typed;
        const char* landsOn; // surname shown afterwards
        const char* counter;
        bool notFound;
    };
    const Case cases[] = {
        {0, "12", "Rossi", "2 / 3", false},
        {1, "bianchi", "Rossi", "2 / 3", true}, // not found: stays where it was
        {1, "Verdi", "Verdi", "1 / 3", false},
    };
    for (const auto& c : cases) {
        op.clear();
        d.click("Command10");
        auto* search = qobject_cast<FrmCardSearch*>(form->openedWindow());
        ASSERT_NE(search, nullptr);
        EXPECT_FALSE(form->isEnabled());
        FormDriver s(*search);
        EXPECT_EQ(search->windowTitle(), "Sentinex - ricerca");
        EXPECT_FALSE(s.control<QWidget>("Text1").isEnabled());
        EXPECT_FALSE(s.control<QWidget>("Command1").isEnabled());
        s.control<QComboBox>("Combo1").setCurrentIndex(c.field);
        EXPECT_EQ(s.text("Frame2"), c.field == 0 ? "Inserisci il numero carta" : "Inserisci il cognome");
        EXPECT_TRUE(s.control<QWidget>("Command1").isEnabled());
        s.type("Text1", c.typed);
        s.click("Command1");
        QApplication::processEvents();
        EXPECT_TRUE(form->isEnabled()) << c.typed;
        EXPECT_EQ(d.text("Text1"), c.landsOn) << c.typed;
        EXPECT_EQ(d.text("Label6"), c.counter) << c.typed;
        if (c.notFound) {
            ASSERT_EQ(op.shown.size(), 1u) << c.typed;
            EXPECT_EQ(op.last().text, "Nessun record trovato.");
            EXPECT_EQ(op.last().title, "Messaggio");
        } else {
            EXPECT_TRUE(op.shown.empty()) << c.typed;
        }
    }

    // "Annulla" and Esc leave the users form on its record.
    for (bool esc : {false, true}) {
        d.click("Command10");
        auto* search = qobject_cast<FrmCardSearch*>(form->openedWindow());
        ASSERT_NE(search, nullptr);
        FormDriver s(*search);
        s.control<QComboBox>("Combo1").setCurrentIndex(0);
        s.type("Text1", "1");
        if (esc) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(search, &key);
        } else {
            s.click("Command2");
        }
        QApplication::processEvents();
        EXPECT_TRUE(form->isEnabled());
        EXPECT_EQ(d.text("Label6"), "1 / 3");
    }
}

class FrmCardsAbilRegistrationTest : public FrmCardsAbilTest {
protected:
    /// Readers 1 and 2 answer without a card; reader 3 has one from its `cardAfter`-th poll on.
    void cardAtThirdReader(int cardAfter) {
        bus.respond([this, cardAfter](const std::string& payload, Timing) -> std::string {
            if (payload.size() == 9 && payload[8] == 'D' && payload.substr(0, 2) == "03" &&
                ++thirdPolls >= cardAfter) {
                return OnlineFakeBus::cardReply("EXT0042");
            }
            return OnlineFakeBus::codeReply('S');
        });
    }
    int thirdPolls = 0;
};

TEST_F(FrmCardsAbilRegistrationTest, CapturesFromTheThirdReaderWithOnlyTheStopButtonUsable) {
    const auto key = addUser("Uno", "0001");
    cardAtThirdReader(2);
    FormDriver& d = open();
    std::vector<std::string> usableWhileWaiting;
    std::string captionWhileWaiting;
    bus.duringExchange([&] {
        if (!captionWhileWaiting.empty()) {
            return;
        }
        captionWhileWaiting = d.text("Command15");
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)) {
                usableWhileWaiting.push_back(w->objectName().toStdString());
            }
        }
    });
    d.click("Command15");
    EXPECT_EQ(captionWhileWaiting, "Fine passaggio carta esterna");
    EXPECT_EQ(usableWhileWaiting, std::vector<std::string>{"Command15"});
    EXPECT_EQ(stored(key, "Stringa"), Value("EXT0042"));
    EXPECT_EQ(op.texts(),
              (std::vector<std::string>{
                  "Ora bisogna passare la carta su uno qualunque dei lettori presenti nella rete.",
                  "Registrazione carta esterna OK !\r\nCarta registrata per Uno Mario (carta 0001)."}));
    EXPECT_EQ(bus.payloads().back().substr(0, 2), "03");
    EXPECT_EQ(bus.payloads().back().substr(8), "K000000000");
    EXPECT_EQ(bus.payloads().size(), 7u); // two rounds of three polls, then the acknowledgement
    // Afterwards the form is as before the press.
    EXPECT_EQ(d.text("Command15"), "Registra carta esterna");
    EXPECT_FALSE(form->registering());
    for (const char* name :
         {"Command1", "Command3", "Command4", "Command5", "Command7", "Command10", "Command15"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_FALSE(enabled("Frame1")); // still browse mode
}

TEST_F(FrmCardsAbilRegistrationTest, TheSecondPressEndsTheWaitWithoutWriting) {
    const auto key = addUser("Uno", "0001");
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    FormDriver& d = open();
    int exchanges = 0;
    bus.duringExchange([&] {
        if (++exchanges == 5) {
            EXPECT_FALSE(form->close()); // no way out while waiting but the button
            d.click("Command15");
        }
    });
    d.click("Command15");
    EXPECT_EQ(exchanges, 5);
    EXPECT_EQ(op.last().text, "Nessuna carta è stata passata.");
    EXPECT_EQ(stored(key, "Stringa"), Value());
    EXPECT_EQ(d.text("Command15"), "Registra carta esterna");
    EXPECT_TRUE(enabled("Command4"));
}

TEST_F(FrmCardsAbilTest, DoubleClickOnSalvaDatiStoresOneUser) {
    FormDriver& d = open();
    d.click("Command3");
    d.type("Text1", "Neri");
    d.type("Text4", "7");
    // The second click of a double click waits in the queue while the first save runs.
    QMetaObject::invokeMethod(&d.control<QPushButton>("Command4"), "click", Qt::QueuedConnection);
    d.click("Command4");
    QApplication::processEvents();
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM Carte")[0][0], Value(1));
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(d.text("Label6"), "1 / 1");
}

TEST_F(FrmCardsAbilTest, ALockedDatabaseAtOpeningIsShownAndTheFormOpensAllTheSame) {
    addUser("Uno", "0001");
    install.db()->executeScript("PRAGMA journal_mode=DELETE"); // the lock then keeps readers out too
    install.db()->setBusyTimeout(0);
    {
        sqlite3* other = nullptr;
        sqlite3_open_v2(install.folder().database().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        EXPECT_NO_THROW(open());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_EQ(driver->text("Label6"), "0 Utenti");
    // Once the database is free, the next move reads it.
    driver->click("Command1");
    EXPECT_EQ(driver->text("Label6"), "1 / 1");
    EXPECT_EQ(driver->text("Text1"), "Uno");
}

/// The scripted operator with a real wait form: while a run shows it, the program's application lets
/// only the wait form take a person's input.
class RealWaitOperator : public ScriptedOperator {
public:
    void showWait() override {
        ScriptedOperator::showWait();
        if (!m_wait) {
            m_wait = std::make_unique<FrmWait>();
            m_wait->show();
        }
    }
    void closeWait() override {
        m_wait.reset();
        ScriptedOperator::closeWait();
    }

private:
    std::unique_ptr<FrmWait> m_wait;
};

/// The visible top-level window whose objectName is `name`, or null.
QWidget* visibleWindow(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QString::fromLatin1(name) && top->isVisible()) {
            return top;
        }
    }
    return nullptr;
}

TEST(FrmCardsAbilRunTest, NothingActsUnderARunAndTheRunCompletes) {
    enum class Run { Upload, Registration };
    enum class Poke { CloseBox, UsersFormButton, MainWindowButton };
    struct Case {
        Run run;
        Poke poke;
        const char* name;
    };
    const Case cases[] = {
        {Run::Upload, Poke::CloseBox, "upload, close box"},
        {Run::Upload, Poke::UsersFormButton, "upload, Ritorna / Modifica utente / Registra carta esterna"},
        {Run::Upload, Poke::MainWindowButton, "upload, main window"},
        {Run::Registration, Poke::CloseBox, "registration, close box"},
        {Run::Registration, Poke::UsersFormButton, "registration, Ritorna / Modifica utente / UpLoad carta"},
        {Run::Registration, Poke::MainWindowButton, "registration, main window"},
    };
    for (const auto& c : cases) {
        TestInstall install;
        for (int k = 1; k <= 3; ++k) {
            TestInstall::Reader r;
            r.NumeroIndirizzo = k;
            install.addReader(r);
        }
        install.writeSettings("[Impostazioni]\nPolling=100\nUtenti=0\nImparziale=No\nQuattroCifre=Si\n");
        TestInstall::User u;
        u.NumeroCarta = "0042";
        u.Flag_online = c.run == Run::Registration;
        install.addUser(u);
        OnlineFakeBus bus;
        RealWaitOperator op;
        FakeClock clock;
        NullEventPump pump;
        Session session(install.dir(), op, clock, pump, &bus);
        FrmMain main(session, [](int) {});
        ASSERT_EQ(main.load(), 0) << c.name;
        main.show();
        main.findChild<QPushButton*>("Command1")->click(); // "Abilitazione carte"
        QPointer<QWidget> cards = visibleWindow("FrmCardsAbil");
        ASSERT_NE(cards, nullptr) << c.name;
        int polls = 0;
        bus.respond([&](const std::string& payload, Timing) {
            if (payload.size() == 9 && payload[8] == 'D' && ++polls == 5) {
                return OnlineFakeBus::cardReply("EXT0042");
            }
            return OnlineFakeBus::codeReply('S');
        });
        // A window an earlier test left to be freed must not be counted as one of this run's.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const int windowsBefore = static_cast<int>(QApplication::topLevelWidgets().size());
        bool poked = false;
        bool closeRefused = false;
        bus.duringExchange([&] {
            if (poked || !cards) {
                return;
            }
            poked = true;
            ASSERT_TRUE(FrmWait::isUp()) << c.name;
            const auto button = [&](QWidget* w, const char* name) {
                return w->findChild<QPushButton*>(name);
            };
            switch (c.poke) {
            case Poke::CloseBox:
                closeRefused = !cards->close();
                break;
            case Poke::UsersFormButton:
                for (const char* name :
                     {"Command7", "Command4", c.run == Run::Upload ? "Command15" : "Command11"}) {
                    QTest::mouseClick(button(cards, name), Qt::LeftButton); // a person's click
                    if (c.run == Run::Upload || std::string(name) != "Command15") {
                        button(cards, name)->click(); // and one that gets past the application
                    }
                }
                break;
            case Poke::MainWindowButton:
                QTest::mouseClick(button(&main, "Command1"), Qt::LeftButton); // another users form
                QTest::mouseClick(button(&main, "Command4"), Qt::LeftButton); // polling on
                break;
            }
            QApplication::processEvents();
        });
        if (c.run == Run::Upload) {
            QTest::mouseClick(cards->findChild<QPushButton*>("Command11"), Qt::LeftButton);
        } else {
            QTest::mouseClick(cards->findChild<QPushButton*>("Command15"), Qt::LeftButton);
        }
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(poked) << c.name;
        ASSERT_FALSE(cards.isNull()) << c.name << ": the users form was deleted under the run";
        EXPECT_TRUE(cards->isVisible()) << c.name;
        EXPECT_FALSE(FrmWait::isUp()) << c.name;
        if (c.poke == Poke::CloseBox) {
            EXPECT_TRUE(closeRefused) << c.name;
        }
        FormDriver d(*cards);
        EXPECT_EQ(d.text("Command4"), "Modifica utente") << c.name;
        EXPECT_EQ(d.text("Command15"), "Registra carta esterna") << c.name;
        EXPECT_FALSE(session.state().pollingOn) << c.name;
        EXPECT_FALSE(main.isVisible()) << c.name;
        EXPECT_EQ(static_cast<int>(QApplication::topLevelWidgets().size()), windowsBefore) << c.name;
        const std::string done = c.run == Run::Upload
                                     ? "Programmazione della carta effettuata."
                                     : "Registrazione carta esterna OK !\r\nCarta registrata "
                                       "per Rossi Mario (carta 0042).";
        EXPECT_EQ(op.last().text, done) << c.name;
        if (c.run == Run::Upload) {
            EXPECT_EQ(bus.payloads().size(), 3u) << c.name;
        } else {
            EXPECT_EQ(install.db()->query("SELECT Stringa FROM Carte")[0][0], Value("EXT0042")) << c.name;
        }
        // The form works again after the run and goes back to the main window.
        d.click("Command7");
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(cards.isNull()) << c.name;
        EXPECT_TRUE(main.isVisible()) << c.name;
    }
}

} // namespace
} // namespace sentinex

namespace sentinex {
namespace {

/// "UpLoad carta" owns the screen while it talks to the readers: the close box, "Ritorna alla pagina
/// principale", "Modifica utente", "Registra carta esterna" and "Elimina utente" pressed in the middle
/// of it do nothing, and the run completes on every reader.
TEST_F(FrmCardsAbilTest, NothingActsWhileUploadTalksToTheReaders) {
    const struct {
        const char* what;
        void (*disturb)(FrmCardsAbil& form, FormDriver& d);
    } cases[] = {
        {"close box", [](FrmCardsAbil& form, FormDriver&) { form.close(); }},
        {"Ritorna alla pagina principale", [](FrmCardsAbil&, FormDriver& d) { d.click("Command7"); }},
        {"Modifica utente", [](FrmCardsAbil&, FormDriver& d) { d.click("Command4"); }},
        {"Registra carta esterna", [](FrmCardsAbil&, FormDriver& d) { d.click("Command15"); }},
        {"Elimina utente", [](FrmCardsAbil&, FormDriver& d) { d.click("Command5"); }},
    };
    addUser("Uno", "0123", {{"Flag_online", 0}, {"Lettore", "111"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        op.clear();
        bus.clear();
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
        FormDriver& d = open();
        bool returned = false;
        QObject::connect(form.get(), &FrmCardsAbil::returnedToMain, [&] { returned = true; });
        bool disturbed = false;
        bus.duringExchange([&] {
            if (!disturbed) {
                disturbed = true;
                op.queueAnswer(Answer::Yes); // a delete, were it to act, would be confirmed
                c.disturb(*form, d);
            }
        });
        d.click("Command11");
        EXPECT_TRUE(disturbed);
        EXPECT_EQ(bus.payloads().size(), 3u) << "the run went to its end on every reader";
        EXPECT_EQ(op.last().text, "Programmazione della carta effettuata.");
        EXPECT_FALSE(returned) << "the form left under the run";
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->editing());
        EXPECT_FALSE(form->registering());
        EXPECT_EQ(install.db()->query("SELECT COUNT(*) FROM Carte").at(0).at(0).toInt(), 1);
        EXPECT_TRUE(enabled("Command11"));
        bus.duringExchange({});
        form.reset();
    }
}

/// A second click on "Salva dati" that arrives while the first save lets events through stores
/// nothing more: one user, not two with one card.
TEST_F(FrmCardsAbilTest, ASecondSaveClickDuringTheSaveStoresOneUser) {
    FormDriver& d = open();
    d.click("Command3");
    d.type("Text1", "Bianchi");
    d.type("Text4", "77");
    // The person clicks again: the click waits in the queue and arrives while the save runs.
    QMetaObject::invokeMethod(&d.control<QPushButton>("Command4"), "click", Qt::QueuedConnection);
    d.click("Command4");
    QApplication::processEvents();
    EXPECT_EQ(install.db()->query("SELECT COUNT(*) FROM Carte").at(0).at(0).toInt(), 1);
    EXPECT_FALSE(form->editing());
    for (const auto& shown : op.shown) {
        EXPECT_NE(shown.title, "Errore") << shown.text;
    }
}

} // namespace
} // namespace sentinex
