#include "ui/support/FormDriver.hpp"

#include "ui/common/ReadableLabel.hpp"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::AccessibleReading;
using testing::ControlNotFound;
using testing::FormDriver;
using testing::ScriptedOperator;

/// A small form of the usual controls. `Command1` asks the operator whether to go on and, on "Sì", for
/// a reader number, which `Label1` then shows.
struct SampleForm {
    explicit SampleForm(Operator* op = nullptr) {
        form.setObjectName(QStringLiteral("FrmProva"));
        auto* layout = new QVBoxLayout(&form);
        auto* frame = new QGroupBox(QStringLiteral("Lettori"), &form);
        frame->setObjectName(QStringLiteral("Frame1"));
        layout->addWidget(frame);
        auto* inner = new QVBoxLayout(frame);
        command1 = add<QPushButton>(inner, frame, "Command1");
        command1->setText(QStringLiteral("Sblocca"));
        text1 = add<QLineEdit>(inner, frame, "Text1");
        text1->setMaxLength(4);
        text2 = add<QPlainTextEdit>(inner, frame, "Text2");
        combo1 = add<QComboBox>(inner, frame, "Combo1");
        combo1->setEditable(true);
        label1 = add<ReadableLabel>(inner, frame, "Label1");
        label1->setAccessibleDescription(QStringLiteral("Lettore sbloccato"));
        timer1 = new QTimer(&form);
        timer1->setObjectName(QStringLiteral("Timer1"));
        // Two controls of one name: a fault of the form the driver must not hide.
        add<QLabel>(inner, frame, "Label2");
        add<QLabel>(inner, &form, "Label2");

        QObject::connect(timer1, &QTimer::timeout, [this] { ++ticks; });
        QObject::connect(text1, &QLineEdit::textEdited, [this](const QString& t) { edits.push_back(t); });
        QObject::connect(command1, &QPushButton::clicked, [this, op] {
            ++clicks;
            if (op && op->question("Domanda", "Sbloccare?", MsgIcon::Question) == Answer::Yes) {
                label1->showText(QString::fromStdString(
                    op->inputBox("Inserire il numero del lettore da sbloccare", "Sentinex")));
            }
        });
    }
    template <typename T> T* add(QVBoxLayout* layout, QWidget* parent, const char* name) {
        auto* w = new T(parent);
        w->setObjectName(QString::fromLatin1(name));
        layout->addWidget(w);
        return w;
    }

    QWidget form;
    QPushButton* command1 = nullptr;
    QLineEdit* text1 = nullptr;
    QPlainTextEdit* text2 = nullptr;
    QComboBox* combo1 = nullptr;
    ReadableLabel* label1 = nullptr;
    QTimer* timer1 = nullptr;
    int clicks = 0;
    int ticks = 0;
    QStringList edits;
};

TEST(FormDriverTest, ClicksTypesAndTicksAsAPersonWould) {
    SampleForm f;
    FormDriver driver(f.form);

    driver.click("Command1");
    f.command1->setEnabled(false);
    driver.click("Command1"); // a disabled button ignores the click
    EXPECT_EQ(f.clicks, 1);

    // Typing replaces what the box held, key by key: the length limit holds and each key is an edit.
    f.text1->setText(QStringLiteral("99"));
    driver.type("Text1", QStringLiteral("12345"));
    EXPECT_EQ(driver.text("Text1"), "1234");
    EXPECT_EQ(f.edits, (QStringList{"1", "12", "123", "1234"}));
    driver.type("Text1", QStringLiteral("àb"));
    EXPECT_EQ(driver.text("Text1"), "àb");

    f.text2->setPlainText(QStringLiteral("vecchio"));
    driver.type("Text2", QStringLiteral("riga 1\nriga 2"));
    EXPECT_EQ(driver.text("Text2"), "riga 1\nriga 2");
    driver.type("Combo1", QStringLiteral("Rossi"));
    EXPECT_EQ(driver.text("Combo1"), "Rossi");

    ASSERT_FALSE(f.timer1->isActive());
    driver.tick("Timer1");
    driver.tick("Timer1");
    EXPECT_EQ(f.ticks, 2);

    EXPECT_EQ(driver.text("Command1"), "Sblocca");
    EXPECT_EQ(driver.text("Frame1"), "Lettori");
    const AccessibleReading button = driver.read("Command1");
    EXPECT_EQ(button.name, "Sblocca");
    EXPECT_EQ(button.role, QAccessible::Button);
}

TEST(FormDriverTest, AnswersTheOperatorAndReadsWhatItWasShown) {
    ScriptedOperator op;
    SampleForm f(&op);
    FormDriver driver(f.form, &op);

    driver.answer(Answer::Yes);
    driver.answerInput("3");
    driver.click("Command1");
    ASSERT_EQ(driver.shown().size(), 2u);
    EXPECT_EQ(driver.shown()[0].kind, ScriptedOperator::Kind::Question);
    EXPECT_EQ(driver.shown()[0].text, "Sbloccare?");
    EXPECT_EQ(driver.shown()[1].kind, ScriptedOperator::Kind::Input);
    EXPECT_EQ(driver.shown()[1].text, "Inserire il numero del lettore da sbloccare");
    const AccessibleReading label = driver.read("Label1");
    EXPECT_EQ(label.name, "3");
    EXPECT_EQ(label.description, "Lettore sbloccato");

    // Nothing queued: the question is answered "No" and the label keeps its text.
    driver.click("Command1");
    EXPECT_EQ(driver.shown().size(), 3u);
    EXPECT_EQ(driver.text("Label1"), "3");
}

TEST(FormDriverTest, AMissingOrWrongControlFailsTheTestWhereItWasAskedFor) {
    SampleForm f;
    FormDriver driver(f.form);
    const struct {
        const char* what;
        std::function<void()> ask;
        std::vector<std::string> said; // pieces of the failure message
    } cases[] = {
        {"missing", [&] { driver.click("Command9"); }, {"FrmProva", "no control named 'Command9'"}},
        {"wrong kind", [&] { driver.click("Label1"); }, {"'Label1'", "ReadableLabel", "QAbstractButton"}},
        {"timer asked as a widget", [&] { driver.control<QLabel>("Timer1"); }, {"QTimer", "not a QLabel"}},
        {"not a text box",
         [&] { driver.type("Command1", QStringLiteral("x")); },
         {"QPushButton", "text box"}},
        {"named twice", [&] { driver.text("Label2"); }, {"2 controls named 'Label2'"}},
        {"no operator given", [&] { driver.answer(Answer::Yes); }, {"without a scripted operator"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::testing::TestPartResultArray failures;
        bool stopped = false;
        {
            ::testing::ScopedFakeTestPartResultReporter intercept(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
            try {
                c.ask();
            } catch (const ControlNotFound&) {
                stopped = true;
            }
        }
        EXPECT_TRUE(stopped) << "the test goes no further";
        ASSERT_EQ(failures.size(), 1);
        const ::testing::TestPartResult& failure = failures.GetTestPartResult(0);
        EXPECT_TRUE(failure.nonfatally_failed());
        for (const std::string& piece : c.said) {
            EXPECT_NE(std::string(failure.message()).find(piece), std::string::npos)
                << "'" << piece << "' not in: " << failure.message();
        }
        // The failure points at the test's own line, not into the driver.
        ASSERT_NE(failure.file_name(), nullptr);
        EXPECT_NE(std::string(failure.file_name()).find("FormDriver_test.cpp"), std::string::npos)
            << failure.file_name();
    }
    EXPECT_EQ(f.clicks, 0);
}

} // namespace
} // namespace sentinex
