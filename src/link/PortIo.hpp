#pragma once

#include <cstdint>

namespace sentinex {

/// Byte-wide access to I/O addresses, as the L-485 board and the UART line status need it.
class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void out(std::uint16_t address, std::uint8_t value) = 0;
    virtual std::uint8_t in(std::uint16_t address) = 0;
};

} // namespace sentinex
