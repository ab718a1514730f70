#include "HistoryIndexes.hpp"

#include "store/Database.hpp"

namespace sentinex {

const std::string& HistoryIndexes::dayKeyExpression() {
    // Day, month and year are the texts before the first "/", between the first and second "/", and the
    // four characters after the second; CAST reads leading blanks and stops at the first non-digit.
    static const std::string expr =
        "(CAST(substr(Data, instr(Data, '/') + 1 + instr(substr(Data, instr(Data, '/') + 1), '/'), 4) "
        "AS INTEGER) * 10000 + CAST(substr(Data, instr(Data, '/') + 1, instr(substr(Data, instr(Data, "
        "'/') + 1), '/') - 1) AS INTEGER) * 100 + CAST(substr(Data, 1, instr(Data, '/') - 1) AS INTEGER))";
    return expr;
}

void HistoryIndexes::ensure(Database& mainDb, const std::string& schema) {
    const std::string prefix = "\"" + schema + "\".";
    // Looked up first, so a file that has them (every start of the program) is only read.
    const auto found = mainDb.query("SELECT count(*) FROM " + prefix +
                                    "sqlite_master WHERE type = 'index' AND name IN ('transiti_Giorno', "
                                    "'transiti_OffLine')");
    if (!found.empty() && !found.front().empty() && found.front().front().toInt() == 2) {
        return;
    }
    mainDb.execute("CREATE INDEX IF NOT EXISTS " + prefix + "transiti_Giorno ON transiti (" +
                   dayKeyExpression() + ", Ora)");
    mainDb.execute("CREATE INDEX IF NOT EXISTS " + prefix +
                   "transiti_OffLine ON transiti (nota) WHERE nota = 'OffLine'");
}

} // namespace sentinex
