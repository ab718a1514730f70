#pragma once

#include <string>

namespace sentinex {

/// A byte pipe to the reader bus. Every byte 00-FF travels unchanged both ways. The real one is
/// TermiosSerialPort; tests script others. Nothing here throws or blocks for longer than asked.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    /// False once the port was closed or the device has gone away.
    virtual bool isOpen() const = 0;
    /// Writes every byte; false when the device failed (the port is then closed).
    virtual bool write(const std::string& bytes) = 0;
    /// Waits at most `waitMs` milliseconds for input and returns everything that has arrived (possibly
    /// nothing). A device that hangs up closes the port and yields nothing.
    virtual std::string read(int waitMs) = 0;
    /// Throws away whatever is waiting in the receive buffer.
    virtual void discardInput() = 0;
    /// Bytes written but not yet on the line, when the device can tell (0 otherwise).
    virtual int outputPending() = 0;
};

} // namespace sentinex
