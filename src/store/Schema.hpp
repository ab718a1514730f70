#pragma once

#include <string>
#include <vector>

namespace sentinex {

class Database;

/// The relations an installation's database files must hold.
class Schema {
public:
    /// Tables and views of "Sentinex.mdb": Carte, Lettori, Fasce, transiti, presenti, Storico.
    static const std::vector<std::string>& mainRelations();
    /// Work tables of "RepSentinex.mdb": temp, presenze.
    static const std::vector<std::string>& reportRelations();
    /// The layout version this program writes into a main database (SQLite's user_version); files made
    /// before it was kept read 0; 2 brought the holiday calendar, 3 the operators' record `Registro`.
    static constexpr int Version = 3;
    /// Throws DatabaseError ("... non contiene la tabella ...") unless `db` is a main database.
    static void requireMain(Database& db);
    /// Throws DatabaseError with a complete message naming `path` when a newer program wrote `db`: its
    /// tables may mean more than this program knows, and bringing it "up to date" would undo that.
    static void requireKnownVersion(Database& db, const std::string& path);
    /// The layout version stored in `db` (0 for a file that never had one).
    static int version(Database& db);
    /// Adds to an older main database the indexes a new one is made with (the presence lookup's index
    /// on the badge without blanks), the holiday calendar `Festivita` and the operators' record
    /// `Registro` (both empty), each only when it is missing, and marks it with Version. Throws DatabaseError
    /// when the file cannot take them.
    static void addMissingIndexes(Database& db);
    /// The statements that make `Festivita` and its index on `Data`, each "IF NOT EXISTS".
    static const char* holidaysTable();
    /// Throws DatabaseError unless `db` is a report database.
    static void requireReport(Database& db);
    /// The 28 interval field names, Lun_1_da ... Dom_2_a, in day order.
    static const std::vector<std::string>& intervalFields();
    /// The 7 day flag names, Lunedi ... Domenica.
    static const std::vector<std::string>& dayFlagFields();
};

} // namespace sentinex
