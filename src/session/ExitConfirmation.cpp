#include "ExitConfirmation.hpp"

#include "admin/PasswordFile.hpp"
#include "admin/PasswordPrompt.hpp"
#include "core/Operator.hpp"
#include "core/ProgramFolder.hpp"

namespace sentinex {

bool ExitConfirmation::confirm(const Switches& switches, const ProgramFolder& folder, Operator& op) {
    if (!switches.any()) {
        return true;
    }
    if (op.question("Domanda", Question, MsgIcon::Question) != Answer::Yes) {
        return false;
    }
    PasswordPrompt prompt(PasswordFile(folder), op);
    switch (prompt.open()) {
    case PasswordPrompt::Opening::Granted:
        return true;
    case PasswordPrompt::Opening::Refused:
        return false; // the malformed file has been told; polling can still be switched off first
    case PasswordPrompt::Opening::Ask:
        break;
    }
    const std::string typed = op.password(PasswordText, PasswordTitle);
    if (typed.empty()) {
        return false; // cancelled: no password is ever empty
    }
    return prompt.check(typed);
}

} // namespace sentinex
