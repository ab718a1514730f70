#include "UserRelease.hpp"

#include "core/Operator.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

bool UserRelease::release(Database& db, Operator& op, bool inspectionOn, const Shown& shown) {
    if (!shown.onlineTicked) {
        op.message("Messaggio", "L'imparziale funziona solo in modalità On Line.", MsgIcon::Exclamation);
        return false;
    }
    if (!inspectionOn) {
        op.message("Messaggio", "L'imparziale non è stato attivato.", MsgIcon::Exclamation);
        return false;
    }
    if (!shown.held) {
        op.message("Messaggio", "L'utente non è stato scelto per l'imparziale.", MsgIcon::Exclamation);
        return false;
    }
    if (op.question("Domanda", "Deselezionare l'utente dall'imparziale ?", MsgIcon::Question) !=
        Answer::Yes) {
        return false;
    }
    const auto rows =
        db.query("SELECT rowid FROM Carte WHERE NumeroCarta = ? ORDER BY rowid LIMIT 1", {shown.cardNumber});
    if (rows.empty()) {
        op.message("Errore", "Errore! Riprovare...", MsgIcon::Critical);
        return false;
    }
    {
        const std::int64_t key = rows.front().front().toInt();
        Transaction transaction(db);
        const AuditLog::Fields before = AuditLog::rowFields(db, "Carte", key);
        if (db.execute("UPDATE Carte SET Imparziale = 0 WHERE rowid = ?", {key}) == 1) {
            const auto [was, is] = AuditLog::difference(before, AuditLog::rowFields(db, "Carte", key));
            AuditLog::write(
                db, {"FrmCardsAbil", "Utente riabilitato dall'imparziale", std::to_string(key), was, is});
        }
        transaction.commit();
    }
    op.message("Messaggio", "Utente riabilitato.", MsgIcon::Information);
    return true;
}

} // namespace sentinex
