#pragma once

#include <string>

namespace sentinex {

/// One attendance row: an entry and its exit, an entry without exit, or an exit without entry.
/// `entry` and `exit` are day numbers with the time of day as the fraction; each is meaningful only
/// when its missing flag is false.
struct AttendanceRow {
    std::string surname;
    std::string firstName;
    std::string badge;
    double entry = 0;
    double exit = 0;
    bool missingEntry = true;
    bool missingExit = true;
};

} // namespace sentinex
