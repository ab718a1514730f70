#include "ui/common/QtOperator.hpp"

#include "ui/common/QtItalianTranslation.hpp"
#include "ui/support/WithoutQtTranslation.hpp"

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
#include <optional>
#include <string>
#include <vector>

namespace sentinex {
namespace {

/// The wait form on screen now, or nothing.
QWidget* shownWaitForm() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("FrmWait") && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

/// Runs `act` on the modal dialog as soon as it is up (the call that shows it does not return before).
void whenModal(std::function<void(QWidget*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
        } else {
            QTimer::singleShot(5, *poll);
        }
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
            if (accept) {
                dlg->accept();
            } else {
                dlg->reject();
            }
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
    QWidget* wait = shownWaitForm();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->windowTitle(), QStringLiteral("ATTENDERE  PREGO"));
    auto* label = wait->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("ATTENDERE  PREGO"));
    op.closeWait();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(w->objectName() == QStringLiteral("FrmWait") && w->isVisible());
    }
    op.closeWait(); // closing twice is harmless
}

TEST(QtOperatorTest, WaitFormOffersAnnullaWhenAskedAndForgetsItWhenClosed) {
    QtOperator op;
    op.showWait();
    QWidget* wait = shownWaitForm();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->findChild<QPushButton*>(QStringLiteral("CommandAnnulla")), nullptr);
    op.offerWaitCancel(true);
    auto* cancel = wait->findChild<QPushButton*>(QStringLiteral("CommandAnnulla"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Annulla"));
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_FALSE(op.waitCancelRequested());
    cancel->click();
    EXPECT_TRUE(op.waitCancelRequested());
    op.offerWaitCancel(false);
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_FALSE(op.waitCancelRequested());
    op.offerWaitCancel(true);
    cancel->click();
    op.closeWait();
    EXPECT_FALSE(op.waitCancelRequested()) << "a new wait starts without a cancel";
}

TEST(QtOperatorTest, WaitFormShowsItsTextAndTheProgressOfALongRun) {
    QtOperator op;
    op.setWaitText("IMPARZIALE IN AZIONE");
    op.showWait();
    QWidget* wait = shownWaitForm();
    ASSERT_NE(wait, nullptr);
    auto* label = wait->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("IMPARZIALE IN AZIONE"));
    EXPECT_EQ(label->accessibleName(), QStringLiteral("IMPARZIALE IN AZIONE"));

    op.waitProgress("Lettore 2 di 3 - transiti scaricati: 14");
    auto* progress = wait->findChild<QLabel*>(QStringLiteral("LabelProgresso"));
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->text(), QStringLiteral("Lettore 2 di 3 - transiti scaricati: 14"));
    EXPECT_EQ(progress->accessibleName(), progress->text());
    op.waitProgress("");
    EXPECT_FALSE(progress->isVisible());

    // The text stays for the next wait form; the progress of a closed one does not.
    op.waitProgress("Lettore 1 di 1");
    op.closeWait();
    op.showWait();
    wait = shownWaitForm();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("IMPARZIALE IN AZIONE"));
    EXPECT_EQ(wait->findChild<QLabel*>(QStringLiteral("LabelProgresso")), nullptr);
    op.closeWait();
    op.waitProgress("Lettore 1 di 1"); // no wait form: nothing to show, nothing made
    EXPECT_EQ(shownWaitForm(), nullptr);
}

/// The texts of a box's standard buttons as a person reads them (the keyboard mark left out), in a fixed
/// order: OK, Yes, No, Cancel.
std::vector<std::string> buttonTexts(QWidget* box) {
    std::vector<std::string> texts;
    auto add = [&](QAbstractButton* button) {
        if (button) {
            texts.push_back(button->text().remove(QLatin1Char('&')).toStdString());
        }
    };
    if (auto* message = qobject_cast<QMessageBox*>(box)) {
        for (const auto which : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
            add(message->button(which));
        }
    } else if (auto* buttons = box->findChild<QDialogButtonBox*>()) {
        for (const auto which :
             {QDialogButtonBox::Ok, QDialogButtonBox::Yes, QDialogButtonBox::No, QDialogButtonBox::Cancel}) {
            add(buttons->button(which));
        }
    }
    return texts;
}

TEST(QtOperatorTest, StandardButtonsReadItalianWithOrWithoutQtsTranslation) {
    const struct {
        const char* what;
        std::function<void(QtOperator&)> show;
        std::vector<std::string> buttons;
    } boxes[] = {
        {"message", [](QtOperator& op) { op.message("Messaggio", "Fatto.", MsgIcon::Information); }, {"OK"}},
        {"question",
         [](QtOperator& op) { op.question("Domanda", "Cancellare?", MsgIcon::Question); },
         {"Sì", "No"}},
        {"question with cancel",
         [](QtOperator& op) { op.question("Domanda", "Salvare?", MsgIcon::Question, true); },
         {"Sì", "No", "Annulla"}},
        {"input box",
         [](QtOperator& op) { op.inputBox("Inserire il numero del lettore da sbloccare", "Sentinex"); },
         {"OK", "Annulla"}},
    };
    for (const bool translated : {true, false}) {
        SCOPED_TRACE(translated ? "with Qt's Italian texts" : "without Qt's Italian texts");
        std::optional<testing::WithoutQtTranslation> english;
        if (translated) {
            ASSERT_TRUE(QtItalianTranslation::install());
        } else {
            english.emplace();
            // Qt alone now says "Yes": what follows reads the operator's own texts.
            QMessageBox plain(QMessageBox::Question, QString(), QString(), QMessageBox::Yes);
            ASSERT_EQ(plain.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
        }
        for (const auto& b : boxes) {
            SCOPED_TRACE(b.what);
            std::vector<std::string> shown;
            whenModal([&](QWidget* w) {
                shown = buttonTexts(w);
                if (auto* dialog = qobject_cast<QDialog*>(w)) {
                    dialog->reject();
                }
            });
            QtOperator op;
            b.show(op);
            EXPECT_EQ(shown, b.buttons);
        }
    }
}

} // namespace
} // namespace sentinex
