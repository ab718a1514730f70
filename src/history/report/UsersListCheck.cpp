#include "UsersListCheck.hpp"

#include "ReportData.hpp"

#include "core/Operator.hpp"
#include "store/Database.hpp"

namespace sentinex {

bool UsersListCheck::mayPrint(Operator& op, Database& mainDb) {
    try {
        if (ReportData::countRecords(mainDb, "Carte") == 0) {
            op.message("Attenzione", "Non ci sono utenti nel database.", MsgIcon::Exclamation);
            return false;
        }
    } catch (const DatabaseError& e) {
        op.message("Errore", Database::unusableFileMessage(mainDb.path(), e.what()), MsgIcon::Critical);
        return false;
    }
    return true;
}

} // namespace sentinex
