#include "ui/masterdata/FrmFasceOnline.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "ui/support/FormDriver.hpp"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TestInstall;

class FrmFasceOnlineTest : public ::testing::Test {
protected:
    FormDriver& open() {
        form = std::make_unique<FrmFasceOnline>(install.db(), op);
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
        return *driver;
    }
    bool enabled(const char* name) { return driver->control<QWidget>(name).isEnabled(); }
    std::vector<Value> user(std::int64_t key) {
        return install.db()
            ->query("SELECT Lun_1_da, Lun_1_a, Lunedi, NomeFascia FROM Carte WHERE rowid = ?", {key})
            .at(0);
    }
    std::int64_t userOfBand(const std::string& band) {
        TestInstall::User u;
        u.extra = {{"NomeFascia", band}, {"Lun_1_da", "05:00"}};
        return install.addUser(u);
    }

    TestInstall install;
    ScriptedOperator op;
    std::unique_ptr<FrmFasceOnline> form;
    std::unique_ptr<FormDriver> driver;
};

// The rules live in BandFormPresenter (its tests); here the window's names, captions, keys and rendering.
TEST_F(FrmFasceOnlineTest, RendersTheNewFlowAndTakesItsKeys) {
    const auto member = userOfBand("Giorno");
    FormDriver& d = open();
    EXPECT_EQ(form->windowTitle(), "Sentinex - giorni e fasce orarie on line");
    EXPECT_EQ(d.text("Frame4"), "Database");
    EXPECT_EQ(d.text("Label5"), "0");
    EXPECT_FALSE(enabled("Command2"));
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_FALSE(enabled("Frame1"));

    d.click("Command1");
    EXPECT_EQ(d.text("Command1"), "Annulla");
    EXPECT_EQ(d.text("Command2"), "Salva nuovo");
    EXPECT_EQ(d.text("Label5"), "Nuovo");
    EXPECT_EQ(d.text("Text1_0"), "##:##");
    EXPECT_FALSE(enabled("Text1_0")); // day not ticked
    for (const char* name : {"Command3", "Command4", "Command5", "Command6", "Command7", "Command8"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    d.control<QCheckBox>("Check1_0").setChecked(true); // as assistive technology ticks it
    EXPECT_TRUE(enabled("Text1_0"));
    d.type("Text1_0", "08:00");
    d.type("Text2_0", "12:00");
    d.type("Text5", "Giorno\n"); // Return saves
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(d.text("Label5"), "1 / 1");
    EXPECT_EQ(d.text("Command1"), "Nuovo");
    EXPECT_EQ(d.text("Command2"), "Modifica");
    EXPECT_EQ(user(member), (std::vector<Value>{"08:00", "12:00", 1, "Giorno"}));
    // Browse mode: what is shown takes no typing.
    EXPECT_TRUE(d.control<QLineEdit>("Text5").isReadOnly());
    EXPECT_TRUE(d.control<QLineEdit>("Text1_0").isReadOnly());

    d.click("Command2");
    EXPECT_EQ(d.text("Label5"), "Modifica...");
    EXPECT_FALSE(d.control<QLineEdit>("Text5").isReadOnly());
    d.type("Text1_0", "09:00");
    QTest::keyClick(form.get(), Qt::Key_Escape); // Escape cancels
    EXPECT_EQ(d.text("Command1"), "Nuovo");
    EXPECT_EQ(d.text("Text1_0"), "08:00");
    EXPECT_EQ(user(member), (std::vector<Value>{"08:00", "12:00", 1, "Giorno"}));
}

TEST_F(FrmFasceOnlineTest, DeleteResetsTheShownBandsUsersWhateverTheNameBoxHolds) {
    install.db()->execute(
        "INSERT INTO Fasce (Nome, Lun_1_da) VALUES ('Mattino', '06:00'), ('Sera', '18:00')");
    const auto morning = userOfBand("Mattino");
    TestInstall::User eveningUser;
    eveningUser.NumeroCarta = "0002";
    eveningUser.extra = {{"NomeFascia", "Sera"}, {"Lun_1_da", "18:00"}};
    const auto evening = install.addUser(eveningUser);
    FormDriver& d = open();
    ASSERT_EQ(d.text("Text5"), "Mattino");
    d.type("Text5", "Sera");
    EXPECT_EQ(d.text("Text5"), "Mattino");         // the name box takes no typing in browse mode
    d.control<QLineEdit>("Text5").setText("Sera"); // and even text put there otherwise is not used
    d.answer(Answer::Yes);
    d.click("Command3");
    EXPECT_EQ(op.last().text,
              "1 utente usa questa fascia oraria: perderà i suoi orari e non potrà passare finché "
              "non gli sarà assegnata un'altra fascia.\nSei sicuro di voler cancellare questa "
              "fascia oraria ?");
    EXPECT_EQ(install.db()->query("SELECT Nome FROM Fasce")[0][0], Value("Sera"));
    EXPECT_EQ(user(morning), (std::vector<Value>{"##:##", "##:##", 0, ""}));
    EXPECT_EQ(user(evening), (std::vector<Value>{"18:00", "##:##", 0, "Sera"}));
    EXPECT_EQ(d.text("Text5"), "Sera");
    EXPECT_EQ(d.text("Label5"), "1 / 1");
}

TEST_F(FrmFasceOnlineTest, AnUnreadableTableOpensTheFormEmptyWithOneError) {
    install.db()->execute("ALTER TABLE Fasce RENAME TO Altrove");
    EXPECT_NO_THROW(open());
    ASSERT_EQ(op.messages().size(), 1U);
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_EQ(driver->text("Label5"), "0");
    EXPECT_TRUE(enabled("Command1"));
    EXPECT_TRUE(enabled("Command4"));
    EXPECT_FALSE(enabled("Command2"));
}

TEST_F(FrmFasceOnlineTest, NavigationAndCancelShowTheStoredBand) {
    install.db()->execute(
        "INSERT INTO Fasce (Nome, Lun_1_da) VALUES ('A', '01:00'), ('B', '02:00'), ('C', '03:00')");
    FormDriver& d = open();
    EXPECT_EQ(d.text("Label5"), "1 / 3");
    d.click("Command6"); // previous at the first: nothing
    EXPECT_EQ(d.text("Text5"), "A");
    d.click("Command8");
    EXPECT_EQ(d.text("Label5"), "3 / 3");
    d.click("Command6");
    EXPECT_EQ(d.text("Text5"), "B");
    d.click("Command2");
    d.type("Text5", "Cambiato");
    d.click("Command1");
    EXPECT_EQ(d.text("Text5"), "B");
    EXPECT_EQ(d.text("Label5"), "2 / 3");
    EXPECT_EQ(d.read("Text1_0").name, "Lunedì primo intervallo da");
    EXPECT_EQ(d.read("Text5").name, "Nome");
}

TEST_F(FrmFasceOnlineTest, CloseBoxInEditModeCancelsThenCloses) {
    install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('A')");
    FormDriver& d = open();
    int closed = 0;
    QObject::connect(form.get(), &FrmFasceOnline::closed, [&closed] { ++closed; });
    d.click("Command2");
    d.type("Text5", "Nuovo nome");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(form->editing());
    EXPECT_EQ(install.db()->query("SELECT Nome FROM Fasce")[0][0], Value("A"));
}

TEST_F(FrmFasceOnlineTest, NothingActsWhileARunOwnsTheScreen) {
    install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('A'), ('B')");
    FormDriver& d = open();
    int closed = 0;
    QObject::connect(form.get(), &FrmFasceOnline::closed, [&closed] { ++closed; });
    op.waitVisible = true; // another window's run holds the wait form
    d.click("Command7");
    d.click("Command1");
    d.answer(Answer::Yes);
    d.click("Command3");
    EXPECT_FALSE(form->close());
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(d.text("Label5"), "1 / 2");
    EXPECT_FALSE(form->editing());
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM Fasce")[0][0], Value(2));
    op.waitVisible = false;
    d.click("Command7");
    EXPECT_EQ(d.text("Label5"), "2 / 2");
}

TEST_F(FrmFasceOnlineTest, SecondSaveClickDuringTheSaveStoresOneBand) {
    FormDriver& d = open();
    d.click("Command1");
    d.type("Text5", "Mattino");
    auto& save = d.control<QPushButton>("Command2");
    // The second click waits in the event queue; the first save lets it through while it processes events.
    QMetaObject::invokeMethod(&save, &QPushButton::click, Qt::QueuedConnection);
    save.click();
    QCoreApplication::processEvents();
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM Fasce")[0][0], Value(1));
    EXPECT_TRUE(op.messages().empty());
    EXPECT_EQ(d.text("Label5"), "1 / 1");
}

} // namespace
} // namespace sentinex
