#pragma once

#include "AttendanceRow.hpp"

#include <array>
#include <cstddef>
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

    /// Length of a stamp: "dd/mm/yy-hh:mm:ss".
    static constexpr std::size_t kStampLength = 17;
    /// "dd/mm/yy-hh:mm:ss" of a day number with the time of day as the fraction.
    static std::string stamp(double dayNumber);
    /// The same stamp written into `out` (kStampLength characters, no terminator): no text is made.
    static void writeStamp(double dayNumber, char* out);
    /// Whole hours and remaining minutes from entry to exit, seconds ignored: the difference of the
    /// two times cut to the whole minute.
    static void duration(double entry, double exit, long long& hours, long long& minutes);

private:
    std::unique_ptr<SqlStatement> m_insert;
    // The two stamps of the row being written, bound in place until the insert has run.
    std::array<char, kStampLength> m_entryStamp{};
    std::array<char, kStampLength> m_exitStamp{};
};

} // namespace sentinex
