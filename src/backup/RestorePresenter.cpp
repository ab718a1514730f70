#include "RestorePresenter.hpp"

#include "BackupFolder.hpp"
#include "Restore.hpp"

#include "core/Operator.hpp"

#include <filesystem>

namespace sentinex {

RestorePresenter::RestorePresenter(Operator& op, std::string programDir, std::string root)
    : m_op(op), m_programDir(std::move(programDir)), m_root(std::move(root)),
      m_names(BackupFolder::list(m_root)) {}

bool RestorePresenter::offerChoice() const {
    if (m_names.empty()) {
        m_op.message("Messaggio", "Non ci sono backup da ripristinare.", MsgIcon::Information);
        return false;
    }
    return true;
}

std::vector<std::string> RestorePresenter::labels() const {
    std::vector<std::string> out;
    for (const std::string& n : m_names) {
        out.push_back(BackupFolder::label(n));
    }
    return out;
}

bool RestorePresenter::restore(int index, bool pollingOn, bool outputOn) {
    // The doors are worked from the files being replaced: both switches off first, as for the other tools.
    if (pollingOn) {
        m_op.message("Messaggio", "Disabilitare prima il polling.", MsgIcon::Exclamation);
        return false;
    }
    if (outputOn) {
        m_op.message("Messaggio", "Disabilitare prima l'output automatico.", MsgIcon::Exclamation);
        return false;
    }
    if (index < 0 || index >= static_cast<int>(m_names.size())) {
        m_op.message("Attenzione", "Scegliere un backup dall'elenco.", MsgIcon::Exclamation);
        return false;
    }
    const std::string folder = (std::filesystem::path(m_root) / m_names[index]).string();
    if (const std::string refused = Restore::check(folder); !refused.empty()) {
        m_op.message("Errore", refused, MsgIcon::Critical);
        return false;
    }
    const std::string question = "Confermi il ripristino del backup del " +
                                 BackupFolder::label(m_names[index]) +
                                 " ?\nI file attuali saranno conservati con il suffisso " +
                                 Restore::SetAsideSuffix + " e il programma verrà riavviato.";
    if (m_op.question("Domanda", question, MsgIcon::Question) != Answer::Yes) {
        return false;
    }
    if (!Restore::request(m_programDir, folder)) {
        m_op.message("Errore", "Impossibile preparare il ripristino nella cartella del programma.",
                     MsgIcon::Critical);
        return false;
    }
    return true;
}

} // namespace sentinex
