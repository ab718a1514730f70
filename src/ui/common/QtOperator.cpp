#include "ui/common/QtOperator.hpp"

#include "ui/common/FrmWait.hpp"
#include "ui/common/QtItalianTranslation.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace sentinex {

namespace {

QMessageBox::Icon toQt(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The standard button texts as Qt's Italian translation has them, for a machine without that file:
// the boxes read the same either way.
const QString kOk = QStringLiteral("OK");
const QString kYes = QStringLiteral("&Sì");
const QString kNo = QStringLiteral("&No");
const QString kCancel = QStringLiteral("Annulla");

void setItalianButtons(QMessageBox& box) {
    if (QtItalianTranslation::isInstalled()) {
        return;
    }
    const struct {
        QMessageBox::StandardButton which;
        const QString& text;
    } texts[] = {{QMessageBox::Ok, kOk},
                 {QMessageBox::Yes, kYes},
                 {QMessageBox::No, kNo},
                 {QMessageBox::Cancel, kCancel}};
    for (const auto& t : texts) {
        if (QAbstractButton* button = box.button(t.which)) {
            button->setText(t.text);
        }
    }
}

void setItalianButtons(QInputDialog& dialog) {
    if (QtItalianTranslation::isInstalled()) {
        return;
    }
    dialog.setOkButtonText(kOk);
    dialog.setCancelButtonText(kCancel);
}

} // namespace

QtOperator::QtOperator() = default;

QtOperator::~QtOperator() = default;

void QtOperator::message(const std::string& title, const std::string& text, MsgIcon icon) {
    QMessageBox box(toQt(icon), q(title), q(text), QMessageBox::Ok, QApplication::activeWindow());
    setItalianButtons(box);
    box.exec();
}

Answer QtOperator::question(const std::string& title, const std::string& text, MsgIcon icon,
                            bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) {
        buttons |= QMessageBox::Cancel;
    }
    QMessageBox box(toQt(icon), q(title), q(text), buttons, QApplication::activeWindow());
    setItalianButtons(box);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Escape or the window's close button: No when there is no Cancel to give.
        return withCancel ? Answer::Cancel : Answer::No;
    }
}

std::string QtOperator::inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& initial) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(q(title));
    dialog.setLabelText(q(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(q(initial));
    setItalianButtons(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.textValue().toStdString();
}

std::string QtOperator::password(const std::string& prompt, const std::string& title) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(q(title));
    dialog.setLabelText(q(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    setItalianButtons(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.textValue().toStdString();
}

void QtOperator::showWait() {
    const bool made = !m_wait;
    if (made) {
        m_wait = std::make_unique<FrmWait>();
    }
    if (m_waitText) {
        setWaitText(*m_waitText);
    }
    if (made) {
        // In the middle of the screen, where it covers no form's top corner.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            m_wait->move(screen->availableGeometry().center() - m_wait->rect().center());
        }
    }
    m_wait->show();
    m_wait->raise();
    // Paint it now: the long operation that follows may not return to the event loop for a while.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtOperator::closeWait() {
    m_wait.reset();
    m_cancelRequested = false;
}

void QtOperator::offerWaitCancel(bool on) {
    m_cancelRequested = false;
    if (!m_wait) {
        return;
    }
    auto* cancel = m_wait->findChild<QPushButton*>(QStringLiteral("CommandAnnulla"));
    if (!cancel && on) {
        cancel = new QPushButton(QStringLiteral("Annulla"), m_wait.get()); // owned by the wait form
        cancel->setObjectName(QStringLiteral("CommandAnnulla"));
        QObject::connect(cancel, &QPushButton::clicked, cancel, [this] { m_cancelRequested = true; });
        if (m_wait->layout()) {
            m_wait->layout()->addWidget(cancel);
        }
    }
    if (cancel) {
        cancel->setVisible(on);
    }
}

void QtOperator::setWaitText(const std::string& text) {
    m_waitText = text;
    if (!m_wait) {
        return;
    }
    if (auto* label = m_wait->findChild<QLabel*>(QStringLiteral("Label1"))) {
        label->setText(q(text));
        label->setAccessibleName(q(text));
    }
}

void QtOperator::waitProgress(const std::string& text) {
    if (!m_wait) {
        return;
    }
    // The progress line sits under the wait text, made the first time a run reports.
    auto* progress = m_wait->findChild<QLabel*>(QStringLiteral("LabelProgresso"));
    if (!progress) {
        progress = new QLabel(m_wait.get()); // owned by the wait form
        progress->setObjectName(QStringLiteral("LabelProgresso"));
        progress->setAlignment(Qt::AlignCenter);
        if (m_wait->layout()) {
            m_wait->layout()->addWidget(progress);
        }
    }
    progress->setText(q(text));
    progress->setAccessibleName(q(text));
    progress->setVisible(!text.empty());
    // Paint it now: the run goes back to the event loop only inside its exchanges.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtOperator::beep() {
    QApplication::beep();
}

} // namespace sentinex
