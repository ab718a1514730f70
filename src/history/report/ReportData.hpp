#pragma once

#include "ReportLayout.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace sentinex {

class Database;

/// The rows of a report: the records of the layout's table in the layout's order, each field turned
/// into the text of its cell by the column's format.
class ReportData {
public:
    using Row = std::vector<std::string>;

    /// Reads the rows from `db`. Throws ReportError: DatabaseUnreadable when the table is missing or
    /// the engine fails, LayoutInvalid when a column or sort field is not a field of the table.
    static std::vector<Row> read(const ReportLayout& layout, Database& db);
    /// Opens the database file `path` (never creating it) and reads the rows. Throws ReportError
    /// (DatabaseUnreadable with the engine's words when the file cannot be opened).
    static std::vector<Row> read(const ReportLayout& layout, const std::string& path);
    /// The number of records of the program's table `table` (a fixed name, never typed text) in `db`.
    /// Throws DatabaseError.
    static std::int64_t countRecords(Database& db, const std::string& table);
};

} // namespace sentinex
