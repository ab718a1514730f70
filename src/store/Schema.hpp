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
    /// Throws DatabaseError ("... non contiene la tabella ...") unless `db` is a main database.
    static void requireMain(Database& db);
    /// Adds to an older main database the indexes a new one is made with (the presence lookup's index
    /// on the badge without blanks) and the holiday calendar `Festivita` (empty), each only when it is
    /// missing. Throws DatabaseError when the file cannot take them.
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
