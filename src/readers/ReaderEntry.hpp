#pragma once

#include "link/ReaderAddress.hpp"

#include <cstdint>
#include <string>

namespace sentinex {

/// One reader of the reader list, copied from a `Lettori` record.
struct ReaderEntry {
    std::string type;          // TipoLettore
    std::int16_t address = 0;  // NumeroIndirizzo
    std::int16_t loop = 0;     // NumeroLoop
    std::int32_t siteCode = 0; // CodiceImpianto
    std::int16_t delay = 0;    // Ritardo
    std::string location;      // SituatoPresso, blanks included
    std::int16_t posCarta[4] = {0, 0, 0, 0};
    std::int16_t posCodice[6] = {0, 0, 0, 0, 0, 0};
    std::int16_t direction = 2; // 0 "Out", 1 "In", 2 anything else
    std::string state;          // Stato as stored

    /// Where exchanges with this reader go: its loop, address and site code.
    ReaderAddress busAddress() const { return {loop, address, siteCode}; }

    /// Direction code of a `Stato` text: exact, case-sensitive.
    static std::int16_t directionOf(const std::string& stato);
};

} // namespace sentinex
