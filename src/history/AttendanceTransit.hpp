#pragma once

#include <string>

namespace sentinex {

/// One passage of the selection as the attendance pairing reads it from `temp`.
struct AttendanceTransit {
    std::string surname;
    std::string firstName;
    std::string badge;
    std::string verso;
    double dataora = 0; // day number with the time of day as the fraction
};

} // namespace sentinex
