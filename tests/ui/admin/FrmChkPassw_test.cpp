#include "ui/admin/FrmChkPassw.hpp"

#include "core/EventPump.hpp"
#include "core/ProgramFolder.hpp"
#include "session/Session.hpp"
#include "support/FakeClock.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

const std::string kRefusedText = "Errore nel controllo password: il file pswsentinex.txt manca o non è valido. "
                                  "La funzione richiesta non è disponibile; il programma continua.";

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TempDir;

const std::string kNone = "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n";
const std::string kAbc = "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                         "bdf\xA7\xA7\xA7\r\n";

class FrmChkPasswTest : public ::testing::Test {
protected:
    void write(const std::string& bytes) const { dir.write("pswsentinex.txt", bytes); }

    TempDir dir;
    ScriptedOperator op;
    FrmChkPassw form{ProgramFolder(dir.path()), op};
    FormDriver driver{form, &op};
};

TEST_F(FrmChkPasswTest, ShowsTheSystemsControls) {
    EXPECT_EQ(form.windowTitle().toStdString(), "Sentinex - password");
    EXPECT_EQ(driver.text("Frame1"), "Inserisci la password");
    EXPECT_EQ(driver.text("Command1"), "Ok");
    auto& box = driver.control<QLineEdit>("text1");
    EXPECT_EQ(box.maxLength(), 16);
    EXPECT_EQ(box.echoMode(), QLineEdit::Password);
    EXPECT_EQ(box.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &box), '*');
    EXPECT_EQ(driver.read("text1").name, "Inserisci la password");
}

TEST_F(FrmChkPasswTest, TypingStopsAtSixteenCharacters) {
    write(kAbc);
    ASSERT_EQ(form.load(), PasswordAccess::Denied);
    driver.type("text1", "12345678901234567890");
    EXPECT_EQ(driver.text("text1"), "1234567890123456");
}

TEST_F(FrmChkPasswTest, WithoutAPasswordTheOperatorIsLetThrough) {
    write(kNone);
    EXPECT_EQ(form.load(), PasswordAccess::Granted);
    EXPECT_TRUE(form.accessGranted());
    EXPECT_TRUE(op.shown.empty());
}

struct Typed {
    const char* name;
    QString keys; // "\n" is Enter
    bool pressOk;
    bool granted;
};

class FrmChkPasswAnswer : public FrmChkPasswTest, public ::testing::WithParamInterface<Typed> {};

TEST_P(FrmChkPasswAnswer, ClosesWithTheOperatorsAnswer) {
    const Typed& c = GetParam();
    write(kAbc);
    ASSERT_EQ(form.load(), PasswordAccess::Denied);
    form.show();
    driver.type("text1", c.keys);
    if (c.pressOk) {
        driver.click("Command1");
    }
    EXPECT_FALSE(form.isVisible()); // closed either way
    EXPECT_EQ(form.accessGranted(), c.granted);
    EXPECT_EQ(form.result(), c.granted ? QDialog::Accepted : QDialog::Rejected);
    if (c.granted) {
        EXPECT_TRUE(op.shown.empty());
    } else {
        // Exactly one message: Enter must not press "Ok" twice.
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, "Attenzione");
        EXPECT_EQ(op.shown[0].text, "Password sbagliata.");
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
        EXPECT_EQ(driver.text("text1"), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FrmChkPasswAnswer,
                         ::testing::Values(Typed{"okButton", "abc", true, true},
                                           Typed{"enterKey", "abc\n", false, true},
                                           Typed{"wrongCaseEnter", "abC\n", false, false},
                                           Typed{"wrongOk", "xyz", true, false},
                                           Typed{"nothingOk", "", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmChkPasswTest, AMalformedFileIsRefused) {
    write("[Sentinex]\r\nFile=abc\r\n");
    EXPECT_EQ(form.load(), PasswordAccess::Refused);
    EXPECT_FALSE(form.accessGranted());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    EXPECT_EQ(op.shown[0].text, kRefusedText);
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
}

/// askPassword as the main window calls it, with the prompt answered while it is shown modally.
class AskPasswordTest : public ::testing::Test {
protected:
    void write(const std::string& bytes) const { dir.write("pswsentinex.txt", bytes); }
    /// Types `keys` into the modal prompt as soon as it is shown; counts the prompts seen.
    void answerPromptWith(const QString& keys) {
        QTimer::singleShot(0, [this, keys] {
            auto* prompt = qobject_cast<FrmChkPassw*>(QApplication::activeModalWidget());
            if (!prompt) {
                return; // no prompt shown: the test's expectation on `prompts` says so
            }
            ++prompts;
            FormDriver(*prompt, &op).type("text1", keys);
        });
    }

    TempDir dir;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    Session session{dir.path(), op, clock, pump};
    int prompts = 0;
};

TEST_F(AskPasswordTest, WithoutAPasswordNoPromptIsShown) {
    write(kNone);
    EXPECT_EQ(askPassword(session, nullptr), PasswordAccess::Granted);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(AskPasswordTest, TheRightPasswordGrantsAndAWrongOneDenies) {
    write(kAbc);
    answerPromptWith("abc\n");
    EXPECT_EQ(askPassword(session, nullptr), PasswordAccess::Granted);
    EXPECT_EQ(prompts, 1);

    answerPromptWith("ABC\n");
    EXPECT_EQ(askPassword(session, nullptr), PasswordAccess::Denied);
    EXPECT_EQ(prompts, 2);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, "Password sbagliata.");
}

TEST_F(AskPasswordTest, AMissingFileIsRefusedWithoutAPrompt) {
    EXPECT_EQ(askPassword(session, nullptr), PasswordAccess::Refused);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, kRefusedText);
}

} // namespace
} // namespace sentinex
