#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

/// The reader an exchange addresses: the loop it hangs on, its RS-485 address and its site code.
/// Every exchange names one, and the link selects that loop itself (through the L-485 board) before it
/// sends, so no caller keeps or restores a "current loop".
struct ReaderAddress {
    int loop = 1;              // 1..8; matters only in board mode
    std::int64_t address = 0;  // two digits in the prefix
    std::int64_t siteCode = 0; // six digits in the prefix

    /// Two-digit address and six-digit site code, as every addressed command begins ("05000042").
    std::string prefix() const;
};

} // namespace sentinex
