#pragma once

#include "PasswordFile.hpp"

#include <string>

namespace sentinex {

class Operator;

/// The checks of the password prompt shown before a guarded form: the file is read each time the
/// prompt opens, so a change made in the management form counts from the next opening.
class PasswordPrompt {
public:
    /// What the opening of the prompt found.
    enum class Opening {
        Granted, // no password is set: the guarded form opens without asking
        Ask,     // a password is set: the operator must type it
        Refused, // the file is malformed: the message has been shown, the guarded form stays closed
    };

    PasswordPrompt(PasswordFile file, Operator& op) : m_file(std::move(file)), m_op(op) {}

    /// Reads the file. On a malformed file shows PasswordFile::MalformedText and answers Refused; the
    /// program goes on.
    Opening open();
    /// The operator's answer: true when `typed` is the password (whole text, case counts). Otherwise
    /// counts the failed try, shows "Password sbagliata." ("Attenzione", critical icon) and returns false.
    bool check(const std::string& typed);

    /// Whether the last opening or answer lets the operator through.
    bool accessGranted() const { return m_granted; }
    /// Wrong answers since the last opening.
    int failedTries() const { return m_failedTries; }

private:
    PasswordFile m_file;
    Operator& m_op;
    std::string m_password;
    bool m_granted = false;
    int m_failedTries = 0;
};

} // namespace sentinex
