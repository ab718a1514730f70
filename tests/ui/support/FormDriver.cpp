#include "ui/support/FormDriver.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace sentinex::testing {

namespace {

QString qName(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::string describe(const QObject& object) {
    const std::string name = object.objectName().toStdString();
    return std::string(object.metaObject()->className()) + (name.empty() ? "" : " '" + name + "'");
}

/// Press and release of the key that types `ch`.
void typeKey(QWidget& target, QChar ch) {
    int key = Qt::Key_unknown;
    QString text(ch);
    if (ch == QLatin1Char('\n')) {
        key = Qt::Key_Return;
        text = QStringLiteral("\r");
    } else if (ch.unicode() < 0x100 && ch.isPrint()) {
        key = ch.toUpper().unicode(); // Qt's key codes are the Latin-1 capitals
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&target, &release);
}

} // namespace

FormDriver::FormDriver(QWidget& form, ScriptedOperator* op) : m_form(form), m_op(op) {}

void FormDriver::fail(const std::string& what, const Where& where) const {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << what;
    throw ControlNotFound(what);
}

QObject& FormDriver::unique(std::string_view name, const Where& where) const {
    const QList<QObject*> found = m_form.findChildren<QObject*>(qName(name));
    if (found.isEmpty()) {
        fail(describe(m_form) + " has no control named '" + std::string(name) + "'", where);
    }
    if (found.size() > 1) {
        std::string kinds;
        for (const QObject* o : found) {
            kinds += (kinds.empty() ? "" : ", ") + std::string(o->metaObject()->className());
        }
        fail(describe(m_form) + " has " + std::to_string(found.size()) + " controls named '" +
                 std::string(name) + "' (" + kinds + ")",
             where);
    }
    return *found.front();
}

void FormDriver::wrongKind(std::string_view name, const QObject& found, const char* wanted,
                           const Where& where) const {
    fail("control '" + std::string(name) + "' of " + describe(m_form) + " is a " +
             found.metaObject()->className() + ", not a " + wanted,
         where);
}

void FormDriver::click(std::string_view name, Where where) const {
    control<QAbstractButton>(name, where).click();
}

void FormDriver::checkAccessibly(std::string_view name, Where where) const {
    auto& button = control<QAbstractButton>(name, where);
    if (button.isChecked()) {
        return;
    }
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    QAccessibleActionInterface* actions = accessible ? accessible->actionInterface() : nullptr;
    if (actions && actions->actionNames().contains(QAccessibleActionInterface::toggleAction())) {
        actions->doAction(QAccessibleActionInterface::toggleAction());
    } else {
        button.setChecked(true); // what the toggle action does, for a style that offers none
    }
}

void FormDriver::setTextAccessibly(std::string_view name, const QString& text, Where where) const {
    auto& line = control<QLineEdit>(name, where);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&line);
    ASSERT_NE(accessible, nullptr) << name;
    if (QAccessibleEditableTextInterface* editable = accessible->editableTextInterface()) {
        editable->replaceText(0, static_cast<int>(line.text().size()), text);
    } else {
        accessible->setText(QAccessible::Value, text);
    }
    ASSERT_EQ(line.text(), text) << name;
}

void FormDriver::type(std::string_view name, const QString& text, Where where) const {
    QWidget& box = control<QWidget>(name, where);
    QWidget* target = &box;
    if (auto* line = qobject_cast<QLineEdit*>(&box)) {
        line->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(&box); combo && combo->lineEdit()) {
        combo->lineEdit()->selectAll();
        target = combo->lineEdit();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&box)) {
        plain->selectAll();
    } else if (auto* rich = qobject_cast<QTextEdit*>(&box)) {
        rich->selectAll();
    } else {
        fail("control '" + std::string(name) + "' of " + describe(m_form) + " is a " +
                 box.metaObject()->className() + ", not a text box one can type into",
             where);
    }
    for (const QChar ch : text) {
        typeKey(*target, ch);
    }
}

void FormDriver::tick(std::string_view name, Where where) const {
    QMetaObject::invokeMethod(&control<QTimer>(name, where), "timeout");
}

std::string FormDriver::text(std::string_view name, Where where) const {
    QObject& c = unique(name, where);
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(&c)) {
        shown = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(&c)) {
        shown = button->text();
    } else if (auto* line = qobject_cast<QLineEdit*>(&c)) {
        shown = line->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(&c)) {
        shown = combo->currentText();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&c)) {
        shown = plain->toPlainText();
    } else if (auto* rich = qobject_cast<QTextEdit*>(&c)) {
        shown = rich->toPlainText();
    } else if (auto* frame = qobject_cast<QGroupBox*>(&c)) {
        shown = frame->title();
    } else {
        wrongKind(name, c, "control that shows a text", where);
    }
    return shown.toStdString();
}

AccessibleReading FormDriver::read(std::string_view name, Where where) const {
    QObject& c = unique(name, where);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&c);
    if (!accessible || !accessible->isValid()) {
        fail("control '" + std::string(name) + "' of " + describe(m_form) +
                 " has nothing assistive technology can read",
             where);
    }
    return {accessible->text(QAccessible::Name).toStdString(),
            accessible->text(QAccessible::Description).toStdString(), accessible->role()};
}

ScriptedOperator& FormDriver::op(Where where) const {
    if (!m_op) {
        fail("the driver of " + describe(m_form) + " was made without a scripted operator", where);
    }
    return *m_op;
}

void FormDriver::answer(Answer answer, Where where) const {
    op(where).queueAnswer(answer);
}

void FormDriver::answerInput(std::string text, Where where) const {
    op(where).queueInput(std::move(text));
}

const std::vector<ScriptedOperator::Shown>& FormDriver::shown(Where where) const {
    return op(where).shown;
}

} // namespace sentinex::testing
