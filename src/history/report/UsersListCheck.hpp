#pragma once

namespace sentinex {

class Database;
class Operator;

/// Whether "Stampa archivio utenti" has anything to print, decided before the report is started.
class UsersListCheck {
public:
    /// True when `Carte` of `mainDb` holds at least one user. Otherwise tells the operator why not and
    /// returns false: "Non ci sono utenti nel database." ("Attenzione", exclamation) for an empty table,
    /// the unusable-file message ("Errore", critical) when the table cannot be read. Never throws a
    /// store error.
    static bool mayPrint(Operator& op, Database& mainDb);
};

} // namespace sentinex
