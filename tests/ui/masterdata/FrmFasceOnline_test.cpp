#include "ui/masterdata/FrmFasceOnline.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "ui/support/FormDriver.hpp"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

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

TEST_F(FrmFasceOnlineTest, UntouchedNewBandIsSavedUnsetAndReachesItsUsers) {
    const auto member = userOfBand("Giorno");
    FormDriver& d = open();
    EXPECT_EQ(d.text("Label5"), "0");
    EXPECT_FALSE(enabled("Command2"));
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_FALSE(enabled("Frame1"));
    EXPECT_EQ(form->windowTitle(), "Sentinex - giorni e fasce orarie on line");

    d.click("Command1");
    EXPECT_EQ(d.text("Command1"), "Annulla");
    EXPECT_EQ(d.text("Command2"), "Salva nuovo");
    EXPECT_EQ(d.text("Label5"), "Nuovo");
    EXPECT_EQ(d.text("Text1_0"), "##:##");
    EXPECT_FALSE(enabled("Text1_0")); // day not ticked
    for (const char* name : {"Command3", "Command4", "Command5", "Command6", "Command7", "Command8"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    d.type("Text5", "Giorno");
    d.click("Command2");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(d.text("Label5"), "1 / 1");
    EXPECT_EQ(d.text("Command1"), "Nuovo");
    EXPECT_EQ(d.text("Command2"), "Modifica");
    EXPECT_EQ(user(member), (std::vector<Value>{"##:##", "##:##", 0, "Giorno"}));

    // Modify: Monday 08:00-12:00, propagated to the band's user.
    d.click("Command2");
    EXPECT_EQ(d.text("Label5"), "Modifica...");
    d.click("Check1_0");
    EXPECT_TRUE(enabled("Text1_0"));
    d.type("Text1_0", "08:00");
    d.type("Text2_0", "12:00");
    d.click("Command2");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(user(member), (std::vector<Value>{"08:00", "12:00", 1, "Giorno"}));

    // Delete: the copy is reset, the name stays.
    d.answer(Answer::Yes);
    d.click("Command3");
    EXPECT_EQ(op.last().text, "Sei sicuro di voler cancellare questa fascia oraria ?");
    EXPECT_EQ(d.text("Label5"), "0");
    EXPECT_FALSE(enabled("Command2"));
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_TRUE(enabled("Command1"));
    EXPECT_EQ(user(member), (std::vector<Value>{"##:##", "##:##", 0, "Giorno"}));
}

TEST_F(FrmFasceOnlineTest, ValidationKeepsTheModeAndStoresNothing) {
    struct Case {
        const char* box;
        const char* typed;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"Text1_1", "8:30", {"Formato dell'orario HH:MM", "Controllare il giorno MARTEDI'."}},
        {"Text1_2", "24:00", {"Errore nell'orario.", "Controllare il giorno MERCOLEDI'."}},
        {"Text1_3", "08:00", {"Errore nell'orario.", "Controllare il giorno GIOVEDI'."}}, // to still unset
    };
    FormDriver& d = open();
    for (const auto& c : cases) {
        op.clear();
        d.click("Command1");
        d.type("Text5", "Turno");
        const std::string day = std::string(c.box).substr(6);
        d.click(("Check1_" + day).c_str());
        d.type(c.box, c.typed);
        d.click("Command2");
        EXPECT_EQ(op.texts(), c.messages) << c.typed;
        EXPECT_TRUE(form->editing());
        EXPECT_EQ(d.text("Command2"), "Salva nuovo");
        d.click("Command1");
    }
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM Fasce")[0][0], Value(0));
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
