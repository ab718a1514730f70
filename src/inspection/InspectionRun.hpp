#pragma once

#include "InspectionDraw.hpp"

namespace sentinex {

class Database;

/// One run of the random inspection on the database: every mark in `Carte` cleared, `Fasce`.`Quanti`
/// rewritten with the eligible users of each shift, and the users drawn marked, all in one transaction,
/// so the online decision sees either the old draw or the whole new one.
class InspectionRun {
public:
    enum class Outcome {
        Drawn,  // counts written and users marked
        NoData, // `Carte` or `Fasce` holds no record: the marks were cleared, nothing else changed
    };

    /// Runs the inspection with `perShift` users per shift ("NumeroImparziale"). Throws DatabaseError
    /// from the store; nothing is changed then.
    static Outcome run(Database& db, int perShift, InspectionDraw::Random& random);

    /// Sets `Imparziale` False on every `Carte` record. Throws DatabaseError.
    static void clearMarks(Database& db);

    /// The `Carte` records in table order, as the draw reads them. Throws DatabaseError.
    static std::vector<InspectionDraw::User> loadUsers(Database& db);
    /// The `Fasce` records in table order. Throws DatabaseError.
    static std::vector<InspectionDraw::Shift> loadShifts(Database& db);
};

} // namespace sentinex
