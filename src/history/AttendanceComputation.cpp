#include "AttendanceComputation.hpp"

#include "AttendancePairing.hpp"
#include "AttendanceWriter.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

const char* AttendanceComputation::readStatement() {
    // A passage without a readable date and time cannot be timed: it is left out rather than paired.
    return "SELECT Cognome, Nome, NumeroBadge, verso, dataora FROM main.temp "
           "WHERE coalesce(passaggio, 0) <> 0 AND dataora IS NOT NULL "
           "ORDER BY Cognome COLLATE NOCASE, Nome COLLATE NOCASE, NumeroBadge, dataora, rowid";
}

AttendanceResult AttendanceComputation::run(Database& reportDb) {
    AttendanceResult result;
    Transaction tx(reportDb);
    reportDb.execute("DELETE FROM main.presenze");
    {
        AttendanceWriter writer(reportDb);
        AttendancePairing pairing([&](const AttendanceRow& row) {
            writer.write(row);
            ++result.rows;
        });
        SqlStatement read(reportDb.handle(), readStatement());
        AttendanceTransit t;
        while (read.step()) {
            t.surname = read.column(0).toString();
            t.firstName = read.column(1).toString();
            t.badge = read.column(2).toString();
            t.verso = read.column(3).toString();
            t.dataora = read.column(4).toDouble();
            pairing.feed(t);
        }
        pairing.finish();
        result.turnstileFound = pairing.turnstileFound();
    }
    tx.commit();
    return result;
}

} // namespace sentinex
