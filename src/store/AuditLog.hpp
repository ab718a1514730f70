#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sentinex {

class Database;

/// One row of the operators' record `Registro`: who changed what, from which window.
struct AuditEntry {
    std::string window; // the form's name, "FrmCardsAbil"
    std::string action; // short Italian text, "Utente creato"
    std::string key;    // the changed record's key (or what names it: a reader's number, a date)
    std::string before; // "Campo=valore" lines of the fields as they were
    std::string after;  // "Campo=valore" lines of the fields as they are now
};

/// The operators' record. A row is written on the caller's connection, so a caller that holds a
/// transaction gets the row in it: the row and its change are stored together or not at all.
/// Every value is bound; engine errors are raised as DatabaseError.
class AuditLog {
public:
    /// Field names and their values as text, in column order.
    using Fields = std::vector<std::pair<std::string, std::string>>;

    /// The statement that makes `Registro` "IF NOT EXISTS".
    static const char* tableSql();

    /// Writes `entry` stamped now (local time, "dd/mm/yyyy hh:mm:ss") with the operating-system user.
    /// `schema` names the attached database that holds `Registro` when `db` is another file's connection.
    static void write(Database& db, const AuditEntry& entry, const std::string& schema = "main");
    /// The same with the time and user given (a test's fixed rows; a row written on another's behalf).
    static void writeAt(Database& db, const AuditEntry& entry, const std::string& when,
                        const std::string& user, const std::string& schema = "main");

    /// Every field of the row `key` of `table` (one of this program's own tables) with its value as
    /// text; empty when there is no such row.
    static Fields rowFields(Database& db, const std::string& table, std::int64_t key);
    /// "Campo=valore" lines, one per field, joined by "\n".
    static std::string text(const Fields& fields);
    /// The before and after texts of a change: a new record (`before` empty) lists every field after, a
    /// deleted one (`after` empty) every field before, a changed one only the fields that differ.
    static std::pair<std::string, std::string> difference(const Fields& before, const Fields& after);

    /// The user the program runs as: the password database's name of the effective user, else $USER,
    /// else the numeric id.
    static std::string operatingSystemUser();
    /// Local time now as "dd/mm/yyyy hh:mm:ss".
    static std::string now();
};

} // namespace sentinex
