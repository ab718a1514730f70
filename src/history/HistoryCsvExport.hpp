#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

class Database;

/// "Esporta CSV": the selection shown by the history viewer (`temp`) or the attendance rows
/// (`presenze`) written as CSV (see CsvWriter), dates as dd/mm/yyyy.
class HistoryCsvExport {
public:
    /// Header, then one record per `temp` record in the order shown. Returns the records written.
    /// Throws DatabaseError or std::runtime_error (file not writable).
    static std::int64_t writeSelection(Database& reportDb, const std::string& path);
    /// Header, then one record per `presenze` record in the order written. Entry and exit as
    /// "dd/mm/yyyy hh:mm:ss", empty when missing; hours and minutes empty unless both exist.
    static std::int64_t writeAttendance(Database& reportDb, const std::string& path);
};

} // namespace sentinex
