#pragma once

#include <string>

namespace sentinex {

/// A row of the holiday calendar `Festivita`.
struct HolidayRecord {
    static constexpr const char* Closed = "Chiuso";   // nobody whose bands apply passes
    static constexpr const char* Sunday = "Domenica"; // the users' Sunday band decides

    std::string Data; // "dd/mm" every year, "dd/mm/yyyy" one date
    std::string Descrizione;
    std::string Tipo = Closed;

    bool operator==(const HolidayRecord&) const = default;
};

} // namespace sentinex
