#pragma once

#include "PortIo.hpp"

#include <memory>
#include <string>

namespace sentinex {

/// The L-485 board of sentinex-readersim, reached through its UNIX socket. Writes to the board
/// control register travel as "W XX" lines and are acknowledged before `out` returns, so the
/// simulator knows the selected loop and driver state before the frame reaches the line. The UART
/// line status always reads 40h (transmitter empty): a pty has no shift register.
class SimBoardPortIo final : public PortIo {
public:
    /// Connects to `socketPath`; nothing with the reason in `why` when it cannot.
    static std::unique_ptr<PortIo> connect(const std::string& socketPath, std::uint16_t boardAddress,
                                           std::string& why);
    ~SimBoardPortIo() override;
    SimBoardPortIo(const SimBoardPortIo&) = delete;
    SimBoardPortIo& operator=(const SimBoardPortIo&) = delete;

    void out(std::uint16_t address, std::uint8_t value) override;
    std::uint8_t in(std::uint16_t address) override;

private:
    SimBoardPortIo(int fd, std::uint16_t boardAddress) : m_fd(fd), m_board(boardAddress) {}
    int m_fd;
    std::uint16_t m_board;
};

} // namespace sentinex
