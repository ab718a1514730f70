#pragma once

#include "RunStateFile.hpp"

namespace sentinex {

class Operator;
class ProgramFolder;

/// Leaving the program on purpose ("Uscita dal programma", the main window's close box). With polling
/// and automatic output off the program ends at once; while either is on, the doors would no longer be
/// worked, so the operator is asked first and, when a password is set, must type it (the same check as
/// the guarded forms). Switching polling off and leaving always works.
class ExitConfirmation {
public:
    static constexpr const char* Question =
        "Il polling è attivo: le porte non saranno più controllate. Uscire?";
    static constexpr const char* PasswordTitle = "Sentinex - password";
    static constexpr const char* PasswordText = "Inserisci la password";

    /// True when the program may end now. With `switches` on: asks `Question` ("Domanda", question
    /// icon); No keeps the program running. Then, when the password file of `folder` holds a password,
    /// asks for it through the operator's password box: an empty answer (cancel) keeps the program
    /// running without a word, a wrong one shows "Password sbagliata." and keeps it running, and a
    /// malformed file shows its message and keeps it running.
    static bool confirm(const Switches& switches, const ProgramFolder& folder, Operator& op);
};

} // namespace sentinex
