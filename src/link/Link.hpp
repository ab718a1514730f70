#pragma once

#include "PortIo.hpp"
#include "ReaderBus.hpp"
#include "SerialPort.hpp"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace sentinex {

class Clock;
class EventPump;
class Operator;
struct Settings;

/// The reader bus over the serial port, directly (one loop) or through the L-485 board.
///
/// Construction takes the process's settings record (read live: the board flag and board address may
/// change while the program runs), the settings file path (for section "Porte"), and the seams. Then
/// `openPort()` is the port opening of the start-up. Everything runs on the caller's thread; while an
/// exchange waits it pumps events, and an exchange asked for meanwhile returns "" at once (see
/// ReaderBus). Work that must reach the readers whatever is running goes through `runWhenIdle`.
class Link final : public ReaderBus {
public:
    /// Makes the board's port I/O for the board control register and the UART line status register,
    /// or nothing with the reason in `why`.
    using PortIoFactory = std::function<std::unique_ptr<PortIo>(std::uint16_t board, std::uint16_t lineStatus,
                                                                std::string& why)>;

    Link(const Settings& settings, std::string settingsPath, Clock& clock, EventPump& pump, Operator& op);
    ~Link() override;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    /// Port opening of the start-up: closes the port, opens serial port `Settings.Seriale` (device from
    /// section "Porte" of the settings file, else /dev/ttyS<n-1>). On failure shows
    /// "Porta seriale <n> non funzionante. (<device>: <reason>)" (title "Attenzione", critical icon), keeps
    /// the port closed
    /// and returns false; exchanges then return "".
    bool openPort();
    /// Why the last opening failed (for tools), empty after a success.
    const std::string& lastError() const { return m_lastError; }
    bool portOpen() const;
    /// Uses `port` as the serial port instead of opening a device (tests, tools).
    void attachPort(std::unique_ptr<SerialPort> port);

    /// Board flag, read at every exchange. Defaults to `Settings.SchedaL485`; the settings dialog
    /// installs one that reads its check box.
    void setBoardFlagProvider(std::function<bool()> provider);
    /// Where board port I/O comes from. The default reads key "Scheda" of section "Porte": a value
    /// "sim:PATH" is the simulator's board at socket PATH, anything else the machine's own port I/O.
    void setPortIoFactory(PortIoFactory factory);

    std::string exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) override;
    bool busy() const override { return m_busy; }
    void runWhenIdle(std::function<void()> action) override;

    /// First-reply and silence timeouts in seconds.
    struct Timeouts {
        double firstReply;
        double silence;
    };
    static Timeouts timeoutsOf(Timing timing);
    /// UART line status register of serial port 1..4 (3FDh, 2FDh, 3EDh, 2EDh); 0 for any other port.
    static std::uint16_t lineStatusAddress(int port);
    /// Board control register value for `loop`: (loop-1) OR 08h, plus 10h while transmitting.
    static std::uint8_t boardValue(int loop, bool transmitting);

    /// A reply is never collected for longer than this after the first-reply timeout began, nor past
    /// this many bytes: a reader that never stops sending cannot hold the program.
    static constexpr double MaxCollectSeconds = 4.0;
    static constexpr std::size_t MaxReplyBytes = 1024;

private:
    std::string transact(int loop, const std::string& payload, Timing timing);
    PortIo* boardIo();
    void warnBoard(const std::string& why);
    void reopenIfVanished();
    void runIdleActions();

    const Settings& m_settings;
    std::string m_settingsPath;
    Clock& m_clock;
    EventPump& m_pump;
    Operator& m_operator;

    std::unique_ptr<SerialPort> m_port;
    std::string m_devicePath; // device opened by openPort, for reopening after it vanished
    double m_lastReopen = -1e9;
    std::string m_lastError;

    std::function<bool()> m_boardFlag;
    PortIoFactory m_portIoFactory;
    std::unique_ptr<PortIo> m_portIo;
    std::uint32_t m_portIoKey = 0;
    std::string m_portIoWhy;
    std::set<std::string> m_boardWarned;

    bool m_busy = false;
    std::deque<std::function<void()>> m_idle;
};

} // namespace sentinex
