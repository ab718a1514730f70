#include "ui/admin/FrmGestPassw.hpp"

#include "core/ProgramFolder.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "ui/support/FormDriver.hpp"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace sentinex {
namespace {

using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TempDir;

const std::string kNone = "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n";
const std::string kAbc = "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                         "bdf\xA7\xA7\xA7\r\n";
const std::string kXyz = "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                         "y{}\xA7\xA7\xA7\r\n";

class FrmGestPasswTest : public ::testing::Test {
protected:
    void open(const std::string& fileBytes) {
        dir.write("pswsentinex.txt", fileBytes);
        form = std::make_unique<FrmGestPassw>(ProgramFolder(dir.path()), op);
        form->setOnReturn([this] { ++returned; });
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
    }
    std::string bytes() const { return TempDir::read(dir.file("pswsentinex.txt")); }
    bool visible(const char* name) const { return driver->control(name).isVisible(); }
    bool enabled(const char* name) const { return driver->control(name).isEnabled(); }
    /// The texts shown since the form opened.
    std::vector<std::string> texts() const { return op.texts(); }

    TempDir dir;
    ScriptedOperator op;
    std::unique_ptr<FrmGestPassw> form;
    std::unique_ptr<FormDriver> driver;
    int returned = 0;
};

TEST_F(FrmGestPasswTest, WithoutAPasswordShowsTheSetLayout) {
    open(kNone);
    EXPECT_EQ(form->windowTitle().toStdString(), "Sentinex - gestione password");
    EXPECT_EQ(form->size(), QSize(3630 / 15, 2400 / 15));
    EXPECT_TRUE(visible("Frame1"));
    EXPECT_FALSE(visible("Frame2"));
    EXPECT_EQ(driver->text("Frame1"), "Password");
    EXPECT_EQ(driver->text("Command1"), "Inserisci password");
    EXPECT_EQ(driver->text("Command2"), "Ok");
    EXPECT_FALSE(enabled("text1"));
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(FrmGestPasswTest, WithAPasswordShowsTheChangeLayout) {
    open(kAbc);
    EXPECT_EQ(form->size(), QSize(3630 / 15, 3720 / 15));
    EXPECT_FALSE(visible("Frame1"));
    EXPECT_TRUE(visible("Frame2"));
    EXPECT_EQ(driver->text("Frame2"), "Password");
    EXPECT_EQ(driver->text("Command3"), "Cambia password");
    EXPECT_EQ(driver->text("Command4"), "Elimina password");
    EXPECT_EQ(driver->text("Command5"), "Ok");
    EXPECT_EQ(driver->read("Text2").name, "Inserisci la vecchia password");
    EXPECT_EQ(driver->read("Text3").name, "Inserisci la nuova password");
    EXPECT_EQ(driver->text("Label1"), "Inserisci la vecchia password");
    EXPECT_EQ(driver->text("Label2"), "Inserisci la nuova password");
    EXPECT_FALSE(enabled("Text2"));
    EXPECT_FALSE(enabled("Text3"));
}

TEST_F(FrmGestPasswTest, EveryPasswordBoxShowsStarsAndTakesSixteen) {
    open(kAbc);
    for (const char* name : {"text1", "Text2", "Text3"}) {
        auto& box = driver->control<QLineEdit>(name);
        EXPECT_EQ(box.maxLength(), 16) << name;
        EXPECT_EQ(box.echoMode(), QLineEdit::Password) << name;
        EXPECT_EQ(box.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &box), '*') << name;
    }
}

TEST_F(FrmGestPasswTest, SetStoresThePasswordAndGoesBack) {
    open(kNone);
    driver->type("text1", "abc"); // locked until "Inserisci password"
    EXPECT_EQ(driver->text("text1"), "");
    driver->click("Command1");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Sentinex");
    EXPECT_EQ(op.shown[0].text,
              "Ora inserite la password (al massimo 16 caratteri). Attenzione a non dimenticarla !");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Information);
    EXPECT_FALSE(enabled("Command1"));
    driver->type("text1", "abc");
    driver->click("Command2");
    EXPECT_EQ(texts().back(), "Password inserita.");
    EXPECT_EQ(bytes(), kAbc);
    EXPECT_EQ(returned, 1);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FrmGestPasswTest, OkWithNothingTypedWritesNothingAndGoesBack) {
    open(kNone);
    driver->click("Command2");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, "Non è stata inserita nessuna password.");
    EXPECT_EQ(op.shown[0].title, "Sentinex");
    EXPECT_EQ(bytes(), kNone);
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmGestPasswTest, ARefusedCharacterKeepsTheFormOpen) {
    open(kNone);
    driver->click("Command1");
    driver->type("text1", QString::fromUtf8("\xC3\xBF")); // "ÿ": no room above it at position 1
    driver->click("Command2");
    EXPECT_EQ(op.last().title, "Attenzione");
    EXPECT_NE(op.last().text.find("posizione 1"), std::string::npos);
    EXPECT_EQ(bytes(), kNone);
    EXPECT_EQ(returned, 0);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FrmGestPasswTest, ChangeUnlocksBothBoxesAndStoresTheNewPassword) {
    open(kAbc);
    driver->click("Command3");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "");
    EXPECT_EQ(op.shown[0].text, "Inserisci prima la vecchia password, poi quella nuova; alla fine premi OK.");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::None);
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_FALSE(enabled("Command4"));

    // An empty new password keeps the form, so the operator can type one.
    driver->type("Text2", "abc");
    driver->click("Command5");
    EXPECT_EQ(op.last().text, "Bisogna inserire la nuova password.");
    EXPECT_EQ(returned, 0);
    EXPECT_EQ(bytes(), kAbc);

    driver->type("Text3", "xyz");
    driver->click("Command5");
    EXPECT_EQ(op.last().text, "La password è stata cambiata.");
    EXPECT_EQ(op.last().icon, MsgIcon::Information);
    EXPECT_EQ(bytes(), kXyz);
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmGestPasswTest, AWrongOldPasswordChangesNothingAndGoesBack) {
    open(kAbc);
    driver->click("Command3");
    driver->type("Text2", "ABC");
    driver->type("Text3", "xyz");
    driver->click("Command5");
    EXPECT_EQ(op.last().text, "La vecchia password è sbagliata.");
    EXPECT_EQ(op.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(bytes(), kAbc);
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmGestPasswTest, RemoveGreysTheNewBoxAndWritesTheBareMarkers) {
    open(kAbc);
    driver->click("Command4");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Sentinex");
    EXPECT_EQ(op.shown[0].text, "Inserisci la vecchia password e poi premi OK.");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Information);
    EXPECT_TRUE(enabled("Text2"));
    EXPECT_FALSE(enabled("Text3"));
    EXPECT_NE(driver->control("Text3").styleSheet().indexOf("#C0C0C0"), -1);
    EXPECT_FALSE(enabled("Command3"));
    EXPECT_FALSE(enabled("Command4"));

    driver->type("Text2", "abc");
    driver->click("Command5");
    EXPECT_EQ(op.last().text, "La password è stata disinserita dal sistema.");
    EXPECT_EQ(bytes(), kNone);
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmGestPasswTest, RemoveWithAWrongPasswordKeepsIt) {
    open(kAbc);
    driver->click("Command4");
    driver->type("Text2", "ab");
    driver->click("Command5");
    EXPECT_EQ(op.last().title, "Sentinex");
    EXPECT_EQ(op.last().text, "Password sbagliata.");
    EXPECT_EQ(op.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(bytes(), kAbc);
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmGestPasswTest, OkWithoutChoosingAnActionJustGoesBack) {
    open(kAbc);
    driver->click("Command5");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(bytes(), kAbc);
    EXPECT_EQ(returned, 1);
}

TEST_F(FrmGestPasswTest, TheCloseBoxGoesBackOnceWithoutWriting) {
    open(kAbc);
    driver->click("Command3");
    driver->type("Text2", "abc");
    driver->type("Text3", "xyz");
    form->close();
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(bytes(), kAbc);
    form->close();
    EXPECT_EQ(returned, 1);
}

} // namespace
} // namespace sentinex
