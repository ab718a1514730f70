#include "InspectionRun.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

void InspectionRun::clearMarks(Database& db) {
    // Only the marked rows are rewritten: a draw marks a few users among many.
    db.execute("UPDATE Carte SET Imparziale = 0 WHERE Imparziale IS NOT 0");
}

std::vector<InspectionDraw::User> InspectionRun::loadUsers(Database& db) {
    std::vector<InspectionDraw::User> users;
    SqlStatement read(db.handle(),
                      "SELECT rowid, Flag_online, AbilitaCarta, NomeFascia FROM Carte ORDER BY rowid");
    while (read.step()) {
        users.push_back(
            {read.column(0).toInt(), read.column(1).toBool() && read.column(2).toBool(), read.columnText(3)});
    }
    return users;
}

std::vector<InspectionDraw::Shift> InspectionRun::loadShifts(Database& db) {
    std::vector<InspectionDraw::Shift> shifts;
    SqlStatement read(db.handle(), "SELECT rowid, Nome FROM Fasce ORDER BY rowid");
    while (read.step()) {
        shifts.push_back({read.column(0).toInt(), read.columnText(1)});
    }
    return shifts;
}

InspectionRun::Outcome InspectionRun::run(Database& db, int perShift, InspectionDraw::Random& random) {
    Transaction transaction(db);
    clearMarks(db);
    const auto users = loadUsers(db);
    const auto shifts = users.empty() ? std::vector<InspectionDraw::Shift>{} : loadShifts(db);
    if (users.empty() || shifts.empty()) {
        // The old draw is gone even when no new one can be made.
        transaction.commit();
        return Outcome::NoData;
    }

    const auto counts = InspectionDraw::countPerShift(users, shifts);
    {
        SqlStatement write(db.handle(), "UPDATE Fasce SET Quanti = ? WHERE rowid = ?");
        for (std::size_t i = 0; i < shifts.size(); ++i) {
            write.bind({counts[i], shifts[i].key});
            write.step();
            write.reset();
        }
    }
    {
        SqlStatement write(db.handle(), "UPDATE Carte SET Imparziale = 1 WHERE rowid = ?");
        for (const std::int64_t key : InspectionDraw::draw(users, shifts, perShift, random)) {
            write.bind({key});
            write.step();
            write.reset();
        }
    }
    transaction.commit();
    return Outcome::Drawn;
}

} // namespace sentinex
