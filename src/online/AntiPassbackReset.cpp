#include "AntiPassbackReset.hpp"

#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

#include <cstdint>
#include <string>

namespace sentinex {

AntiPassbackReset::Outcome AntiPassbackReset::run() {
    try {
        const auto rows = m_db.query("SELECT COUNT(*) FROM presenti");
        const std::int64_t inside = rows.empty() || rows[0].empty() ? 0 : rows[0][0].toInt();
        if (m_settings.Utenti == 0 && inside == 0) {
            m_op.message("Messaggio", AlreadyResetText, MsgIcon::Information);
            return Outcome::AlreadyReset;
        }
        if (m_op.question("Domanda", QuestionText, MsgIcon::Question) != Answer::Yes) {
            return Outcome::Declined;
        }
        const std::int32_t before = m_settings.Utenti;
        Transaction tx(m_db);
        const int emptied = m_db.execute("DELETE FROM presenti");
        AuditLog::write(m_db, {"FrmFunzAgg", "Antipass-back riazzerato", "presenti",
                               "Presenti=" + std::to_string(emptied) + "\nUtenti=" + std::to_string(before),
                               "Presenti=0\nUtenti=0"});
        if (!m_settingsFile.writeUtenti(0)) {
            // The transaction rolls back: table and counter stay as they were.
            m_op.message("Errore", WriteFailedText, MsgIcon::Critical);
            return Outcome::Failed;
        }
        try {
            tx.commit();
        } catch (const DatabaseError&) {
            // The rows are back; put the file's counter back with them before telling.
            m_settingsFile.writeUtenti(before);
            throw;
        }
        m_settings.Utenti = 0;
        m_op.message("Messaggio", DoneText, MsgIcon::Information);
        return Outcome::Done;
    } catch (const DatabaseError& error) {
        m_op.message("Errore", std::string(StoreFailedText) + error.what(), MsgIcon::Critical);
        return Outcome::Failed;
    }
}

} // namespace sentinex
