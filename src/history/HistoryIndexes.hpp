#pragma once

#include <string>

namespace sentinex {

class Database;

/// The indexes that keep history searches and the download's "Storico" source off full scans of
/// `transiti`. They use only SQLite's built-in functions, so the file stays readable and writable from
/// the `sqlite3` shell; the kit's schema creates them for new installations and `ensure` adds them to
/// an older file.
class HistoryIndexes {
public:
    /// The day key of a `transiti.Data` text, year * 10000 + month * 100 + day, in built-in SQL over
    /// `Data`: for every text the program's CDATE reads as a date (day and month of one or two digits,
    /// a four-digit year, an optional time after a blank) it is that date's key, so a range of keys
    /// holds every transit of a range of days in day order. Statements must use this exact expression
    /// for the engine to match it with the index `transiti_Giorno`.
    static const std::string& dayKeyExpression();
    /// Creates `transiti_Giorno` (day key, Ora) and `transiti_OffLine` (the partial index of the
    /// "OffLine" transits) on the main database when missing. `schema` names an attached database
    /// ("main" for the database's own connection). Throws DatabaseError.
    static void ensure(Database& mainDb, const std::string& schema = "main");
};

} // namespace sentinex
