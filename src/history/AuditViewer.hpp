#pragma once

#include <memory>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class Operator;

/// One row of the operators' record as the window "Registro operazioni" shows it.
struct AuditRow {
    std::string when;
    std::string user;
    std::string window;
    std::string action;
    std::string key;
    std::string before;
    std::string after;
    bool operator==(const AuditRow&) const = default;
};

/// The rules of the window "Registro operazioni": the rows of `Registro`, newest first, narrowed to a
/// period of days and to one window, and their CSV export. It only reads: nothing here empties or
/// changes the record. Store failures are shown ("Errore") and leave the rows as they were.
class AuditViewer {
public:
    /// The window chooser's first entry: no narrowing by window.
    static constexpr const char* AllWindows = "(tutte)";
    /// The column captions, as the list and the CSV file's first record show them.
    static const std::vector<std::string>& captions();

    AuditViewer(std::shared_ptr<Database> db, Operator& op);

    /// Reads the rows written from `fromText` to `toText` (days "gg/mm/aaaa", both included; an empty
    /// box leaves that end open) by `window` (AllWindows or empty: every window), newest first. A date
    /// that does not read, or an end before the start, is told ("Attenzione") and the rows stay as
    /// they were. True when the rows were read.
    bool apply(const std::string& fromText, const std::string& toText, const std::string& window);
    /// The rows of the last successful apply().
    const std::vector<AuditRow>& rows() const { return m_rows; }
    /// AllWindows, then every window named in the record, in alphabetical order.
    std::vector<std::string> windows();
    /// Writes the rows shown, under the captions, to `path`. A file that cannot be written is told
    /// ("Errore") and any older file of that name stays as it was. True when written.
    bool exportCsv(const std::string& path);

private:
    std::shared_ptr<Database> m_db;
    Operator& m_op;
    std::vector<AuditRow> m_rows;
};

} // namespace sentinex
