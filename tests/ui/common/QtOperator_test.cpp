#include "ui/common/QtOperator.hpp"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace sentinex {
namespace {

/// Runs `act` on the modal dialog as soon as it is up (the call that shows it does not return before).
void whenModal(std::function<void(QWidget*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (QWidget* w = QApplication::activeModalWidget())
            act(w);
        else
            QTimer::singleShot(5, *poll);
    };
    QTimer::singleShot(0, *poll);
}

TEST(QtOperatorTest, MessageShowsExactTitleTextAndIcon) {
    const struct {
        MsgIcon icon;
        QMessageBox::Icon shown;
    } cases[] = {{MsgIcon::Critical, QMessageBox::Critical},
                 {MsgIcon::Exclamation, QMessageBox::Warning},
                 {MsgIcon::Information, QMessageBox::Information},
                 {MsgIcon::None, QMessageBox::NoIcon}};
    for (const auto& c : cases) {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Question;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        QtOperator op;
        op.message("Attenzione", "Porta seriale 3 non funzionante.", c.icon);
        EXPECT_EQ(title, QStringLiteral("Attenzione"));
        EXPECT_EQ(text, QStringLiteral("Porta seriale 3 non funzionante."));
        EXPECT_EQ(icon, c.shown);
    }
}

TEST(QtOperatorTest, QuestionAnswersWithTheButtonPressed) {
    const struct {
        bool withCancel;
        QMessageBox::StandardButton press;
        Answer answer;
    } cases[] = {{false, QMessageBox::Yes, Answer::Yes},
                 {false, QMessageBox::No, Answer::No},
                 {true, QMessageBox::Cancel, Answer::Cancel},
                 {true, QMessageBox::Yes, Answer::Yes}};
    for (const auto& c : cases) {
        bool hasCancel = false;
        QString title;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            hasCancel = box->button(QMessageBox::Cancel) != nullptr;
            box->button(c.press)->click();
        });
        QtOperator op;
        EXPECT_EQ(op.question("Domanda", "Cancellare?", MsgIcon::Question, c.withCancel), c.answer);
        EXPECT_EQ(title, QStringLiteral("Domanda"));
        EXPECT_EQ(hasCancel, c.withCancel);
    }
}

TEST(QtOperatorTest, InputBoxReturnsTheTypedTextOrNothingWhenCancelled) {
    for (const bool accept : {true, false}) {
        QString label;
        whenModal([&](QWidget* w) {
            auto* dlg = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            label = dlg->labelText();
            dlg->setTextValue(QStringLiteral("3"));
            if (accept)
                dlg->accept();
            else
                dlg->reject();
        });
        QtOperator op;
        const std::string answer = op.inputBox("Inserire il numero del lettore da sbloccare", "Sentinex");
        EXPECT_EQ(label, QStringLiteral("Inserire il numero del lettore da sbloccare"));
        EXPECT_EQ(answer, accept ? "3" : "");
    }
}

TEST(QtOperatorTest, WaitFormShowsItsCaptionAndCloses) {
    QtOperator op;
    op.showWait();
    QWidget* wait = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("FrmWait") && w->isVisible())
            wait = w;
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->windowTitle(), QStringLiteral("ATTENDERE  PREGO"));
    auto* label = wait->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("ATTENDERE  PREGO"));
    op.closeWait();
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->objectName() == QStringLiteral("FrmWait") && w->isVisible());
    op.closeWait(); // closing twice is harmless
}

} // namespace
} // namespace sentinex
