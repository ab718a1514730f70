#pragma once

#include "core/Operator.hpp"
#include "support/ScriptedOperator.hpp"

#include <QAccessible>
#include <QObject>
#include <QString>
#include <QWidget>

#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sentinex::testing {

/// What assistive technology reads of a control (UTF-8, so a failing check prints it).
struct AccessibleReading {
    std::string name;
    std::string description;
    QAccessible::Role role = QAccessible::NoRole;
};

/// Thrown once the test has been failed at the caller's line because a control is missing, is of
/// another kind, or its name is not unique: the test stops there instead of touching a null pointer.
class ControlNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Works a form the way a person does, through the names of its controls (`Command4`, `Text1`,
/// `Label8`, `Timer1`): clicks buttons, types into text boxes, lets a timer tick, answers the scripted
/// operator, and reads a control as assistive technology reads it. Every window test uses it.
///
/// A control that is missing, of the wrong kind or named twice fails the test at the line that asked
/// for it and stops the test (ControlNotFound), so no call here ever hands back a null pointer.
class FormDriver {
public:
    using Where = std::source_location;

    /// Drives `form`; `op` is the scripted operator the form was given, when it has one.
    explicit FormDriver(QWidget& form, ScriptedOperator* op = nullptr);

    /// The form's only descendant named `name`, of kind T (a QWidget, QTimer or any QObject).
    template <typename T = QWidget> T& control(std::string_view name, Where where = Where::current()) const {
        QObject& found = unique(name, where);
        T* typed = qobject_cast<T*>(&found);
        if (!typed) {
            wrongKind(name, found, T::staticMetaObject.className(), where);
        }
        return *typed;
    }

    /// Clicks a button (push, check, radio or tool button). A disabled button ignores the click, as it
    /// ignores a person's.
    void click(std::string_view name, Where where = Where::current()) const;
    /// Checks a check box or option the way assistive technology does: through the control's accessible
    /// toggle action, which changes its checked state without a click (no `clicked` signal).
    void checkAccessibly(std::string_view name, Where where = Where::current()) const;
    /// Selects what the text box holds and types `text` over it key by key, so length limits,
    /// validators and the edit signals act as they do for a person. Takes line edits, editable combo
    /// boxes and multi-line text boxes; "\n" is the Return key.
    void type(std::string_view name, const QString& text, Where where = Where::current()) const;
    /// Sets a line edit's text the way assistive technology does: through its accessible editable text,
    /// all at once and without a key (no `textEdited` signal).
    void setTextAccessibly(std::string_view name, const QString& text, Where where = Where::current()) const;
    /// One tick of the named timer (`Timer1`...), whether it runs or not: the form decides what a tick
    /// does when its switch is off.
    void tick(std::string_view name, Where where = Where::current()) const;

    /// The text a control shows: a label's or button's caption, a text box's content, a combo box's
    /// current text, a frame's title.
    std::string text(std::string_view name, Where where = Where::current()) const;
    /// The control as assistive technology reads it: accessible name, description and role.
    AccessibleReading read(std::string_view name, Where where = Where::current()) const;

    /// The scripted operator; fails the test when the driver was made without one.
    ScriptedOperator& op(Where where = Where::current()) const;
    /// Queues the answer to the next question the form asks.
    void answer(Answer answer, Where where = Where::current()) const;
    /// Queues what the person types into the next input box.
    void answerInput(std::string text, Where where = Where::current()) const;
    /// Everything the operator was shown, in order.
    const std::vector<ScriptedOperator::Shown>& shown(Where where = Where::current()) const;

private:
    QObject& unique(std::string_view name, const Where& where) const;
    [[noreturn]] void wrongKind(std::string_view name, const QObject& found, const char* wanted,
                                const Where& where) const;
    [[noreturn]] void fail(const std::string& what, const Where& where) const;

    QWidget& m_form;
    ScriptedOperator* m_op;
};

} // namespace sentinex::testing
