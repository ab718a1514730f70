#pragma once

#include "core/ProgramFolder.hpp"

#include <QDialog>

#include <memory>

namespace Ui {
class FrmChkPassw;
}

namespace sentinex {

class Operator;
class PasswordPrompt;
class Session;

/// What the password prompt decided for one press of a guarded button.
enum class PasswordAccess {
    Granted, // open the guarded form
    Denied,  // nothing else happens; the operator may press the button again
    Refused, // the password file is malformed: the message has been shown, the program goes on
};

/// The password prompt "Sentinex - password" shown modally before each guarded form. load() reads the
/// password file; when a password is set the operator types it into `text1` and presses `Command1`
/// (or Enter): the right password is accepted, a wrong one is told ("Password sbagliata.") and denied.
/// Either way the prompt then closes.
class FrmChkPassw : public QDialog {
    Q_OBJECT
public:
    FrmChkPassw(const ProgramFolder& folder, Operator& op, QWidget* parent = nullptr);
    ~FrmChkPassw() override;

    /// Reads the password file: Granted when no password is set (the prompt need not be shown),
    /// Refused when the file is malformed (its message has been shown), Denied while the operator
    /// still has to answer.
    PasswordAccess load();
    /// Whether the last load or answer lets the operator through.
    bool accessGranted() const;

private:
    void confirm();

    std::unique_ptr<Ui::FrmChkPassw> m_ui;
    std::unique_ptr<PasswordPrompt> m_prompt;
};

/// The password check before a guarded form of the main window: without a password set it answers
/// Granted without asking; otherwise it shows the prompt modally over `parent` and answers what the
/// operator's answer decided. A malformed password file is told and answered Refused.
PasswordAccess askPassword(Session& session, QWidget* parent);

} // namespace sentinex
