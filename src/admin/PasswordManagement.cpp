#include "PasswordManagement.hpp"

#include "PasswordCodec.hpp"

#include "core/Operator.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"

namespace sentinex {

namespace {

constexpr const char* kTitle = "Sentinex";

} // namespace

PasswordManagement::Layout PasswordManagement::open() {
    const PasswordFile::Content content = m_file.read();
    if (content.state == PasswordFile::State::Malformed) {
        // The prompt read the file a moment ago; if it broke since, setting a password rewrites it.
        m_op.message("Errore", "Errore nel controllo password.", MsgIcon::Critical);
    }
    m_set = content.state == PasswordFile::State::Set;
    m_password = content.password;
    return m_set ? Layout::ChangeOrRemove : Layout::SetNew;
}

void PasswordManagement::announceSet() {
    m_op.message(kTitle,
                 "Ora inserite la password (al massimo 16 caratteri). Attenzione a non dimenticarla !",
                 MsgIcon::Information);
}

void PasswordManagement::announceChange() {
    m_op.message("", "Inserisci prima la vecchia password, poi quella nuova; alla fine premi OK.",
                 MsgIcon::None);
}

void PasswordManagement::announceRemove() {
    m_op.message(kTitle, "Inserisci la vecchia password e poi premi OK.", MsgIcon::Information);
}

bool PasswordManagement::storable(const std::string& password) {
    const std::string why = PasswordCodec::refusal(password);
    if (why.empty()) {
        return true;
    }
    m_op.message("Attenzione", why, MsgIcon::Exclamation);
    return false;
}

void PasswordManagement::tellWriteFailed() {
    m_op.message("Errore", "Impossibile scrivere il file della password " + m_file.path() + ".",
                 MsgIcon::Critical);
}

void PasswordManagement::recordChange(const std::string& action, bool wasSet) {
    if (!m_record) {
        return;
    }
    const auto state = [](bool set) { return std::string("Password=") + (set ? "impostata" : "nessuna"); };
    try {
        AuditLog::write(*m_record, {"FrmGestPassw", action, "pswsentinex.txt", state(wasSet), state(m_set)});
    } catch (const DatabaseError& e) {
        // The file already holds the change; only its trace is missing, and the operator is told so.
        m_op.message("Errore", std::string(RecordFailedText) + e.what(), MsgIcon::Critical);
    }
}

PasswordManagement::After PasswordManagement::set(const std::string& typed) {
    if (typed.empty()) {
        m_set = false;
        m_op.message(kTitle, "Non è stata inserita nessuna password.", MsgIcon::Information);
        return After::Close;
    }
    if (!storable(typed)) {
        return After::Stay;
    }
    if (!m_file.store(typed)) {
        tellWriteFailed();
        return After::Stay;
    }
    const bool wasSet = m_set;
    m_set = true;
    m_password = typed;
    recordChange("Password inserita", wasSet);
    m_op.message(kTitle, "Password inserita.", MsgIcon::Information);
    return After::Close;
}

PasswordManagement::After PasswordManagement::confirm(Mode mode, const std::string& oldPassword,
                                                      const std::string& newPassword) {
    if (mode == Mode::Remove) {
        if (oldPassword != m_password) {
            m_op.message(kTitle, "Password sbagliata.", MsgIcon::Exclamation);
            return After::Close;
        }
        if (!m_file.clear()) {
            tellWriteFailed();
            return After::Stay;
        }
        m_password.clear();
        m_set = false;
        recordChange("Password eliminata", true);
        m_op.message(kTitle, "La password è stata disinserita dal sistema.", MsgIcon::Information);
        return After::Close;
    }
    if (mode == Mode::Change) {
        if (oldPassword != m_password) {
            m_op.message(kTitle, "La vecchia password è sbagliata.", MsgIcon::Exclamation);
            return After::Close;
        }
        if (newPassword.empty()) {
            m_op.message(kTitle, "Bisogna inserire la nuova password.", MsgIcon::Exclamation);
            return After::Stay;
        }
        if (!storable(newPassword)) {
            return After::Stay;
        }
        if (!m_file.store(newPassword)) {
            tellWriteFailed();
            return After::Stay;
        }
        m_password = newPassword;
        m_set = true;
        recordChange("Password cambiata", true);
        m_op.message(kTitle, "La password è stata cambiata.", MsgIcon::Information);
        return After::Close;
    }
    return After::Close; // no button chosen: nothing to compare
}

} // namespace sentinex
