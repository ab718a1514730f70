#pragma once

#include "PortIo.hpp"

#include <memory>
#include <string>
#include <vector>

namespace sentinex {

/// Real port I/O on x86 Linux (ioperm, inb, outb). Needs root (CAP_SYS_RAWIO).
class X86PortIo final : public PortIo {
public:
    /// Permission for every address of `addresses`, or nothing with the reason in `why` (not root,
    /// not an x86 machine).
    static std::unique_ptr<PortIo> acquire(const std::vector<std::uint16_t>& addresses, std::string& why);

    void out(std::uint16_t address, std::uint8_t value) override;
    std::uint8_t in(std::uint16_t address) override;

private:
    X86PortIo() = default;
};

} // namespace sentinex
