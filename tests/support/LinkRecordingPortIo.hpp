#pragma once

#include "link/PortIo.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace sentinex::testing {

/// Port I/O that records every access as "out 300 1A" / "in 3FD" and answers reads with `status`.
class LinkRecordingPortIo : public PortIo {
public:
    explicit LinkRecordingPortIo(std::vector<std::string>& log) : m_log(log) {}
    void out(std::uint16_t address, std::uint8_t value) override {
        char buf[32];
        std::snprintf(buf, sizeof buf, "out %03X %02X", address, value);
        m_log.push_back(buf);
    }
    std::uint8_t in(std::uint16_t address) override {
        char buf[32];
        std::snprintf(buf, sizeof buf, "in %03X", address);
        m_log.push_back(buf);
        // Transmitter empty only from the `busyReads`-th read on, to see that the link waits for it.
        return ++m_reads > busyReads ? status : static_cast<std::uint8_t>(status & ~0x40);
    }
    std::uint8_t status = 0x60;
    int busyReads = 2;

private:
    std::vector<std::string>& m_log;
    int m_reads = 0;
};

} // namespace sentinex::testing
