#pragma once

#include "SerialPort.hpp"

#include <string>

namespace sentinex {

/// A serial device opened raw at 4800 baud, 8 data bits, no parity, 1 stop bit, non-blocking. The
/// device is locked while open (flock and TIOCEXCL), so no second program talks on the same bus.
/// A device that disappears while open (EIO, ENXIO, hangup) closes the port; it never hangs or throws.
class TermiosSerialPort final : public SerialPort {
public:
    TermiosSerialPort() = default;
    ~TermiosSerialPort() override;
    TermiosSerialPort(const TermiosSerialPort&) = delete;
    TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

    /// Device of serial port `port`: the value of key "COM<port>" of section "Porte" of the settings
    /// file when present (any path, a symbolic link too), else /dev/ttyS<port-1>.
    static std::string devicePath(int port, const std::string& settingsPath);

    /// Opens and locks `path`. On failure returns false, stays closed and tells why in `why`.
    bool open(const std::string& path, std::string* why = nullptr);
    void close();
    const std::string& path() const { return m_path; }

    bool isOpen() const override { return m_fd >= 0; }
    bool write(const std::string& bytes) override;
    std::string read(int waitMs) override;
    void discardInput() override;
    int outputPending() override;

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace sentinex
