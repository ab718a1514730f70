#pragma once

#include "AttendanceRow.hpp"

#include <memory>
#include <string>

namespace sentinex {

class Database;
class SqlStatement;

/// `ScriviPresenza`: adds one `presenze` record for an attendance row.
class AttendanceWriter {
public:
    /// The text written for a missing entry or exit: 17 "=" characters.
    static constexpr const char* kMissingStamp = "=================";

    explicit AttendanceWriter(Database& reportDb);
    ~AttendanceWriter();
    AttendanceWriter(const AttendanceWriter&) = delete;
    AttendanceWriter& operator=(const AttendanceWriter&) = delete;

    /// Writes the row. Throws DatabaseError.
    void write(const AttendanceRow& row);

    /// "dd/mm/yy-hh:mm:ss" of a day number with the time of day as the fraction.
    static std::string stamp(double dayNumber);
    /// Whole hours and remaining minutes from entry to exit, seconds ignored: the difference of the
    /// two times cut to the whole minute.
    static void duration(double entry, double exit, long long& hours, long long& minutes);

private:
    std::unique_ptr<SqlStatement> m_insert;
};

} // namespace sentinex
