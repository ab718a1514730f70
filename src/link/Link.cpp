#include "Link.hpp"

#include "Frame.hpp"
#include "SimBoardPortIo.hpp"
#include "TermiosSerialPort.hpp"
#include "X86PortIo.hpp"
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/ProfileFile.hpp"
#include "core/Settings.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

namespace sentinex {

namespace {

/// Sets a flag for the lifetime of a scope, even when the scope is left by an exception.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

constexpr double SecondsPerByte = 10.0 / 4800.0;
constexpr double ReopenInterval = 1.0;

} // namespace

Link::Link(const Settings& settings, std::string settingsPath, Clock& clock, EventPump& pump, Operator& op)
    : m_settings(settings), m_settingsPath(std::move(settingsPath)), m_clock(clock), m_pump(pump),
      m_operator(op) {
    m_boardFlag = [this] { return m_settings.SchedaL485; };
    m_portIoFactory = [this](std::uint16_t board, std::uint16_t lineStatus, std::string& why) {
        ProfileFile ini(m_settingsPath);
        const std::string scheda = ini.find("Porte", "Scheda").value_or("");
        if (scheda.rfind("sim:", 0) == 0) {
            return SimBoardPortIo::connect(scheda.substr(4), board, why);
        }
        return X86PortIo::acquire({board, lineStatus}, why);
    };
}

Link::~Link() = default;

bool Link::openPort() {
    m_port.reset();
    m_devicePath.clear();
    m_lastError.clear();
    const int n = m_settings.Seriale;
    const std::string path = TermiosSerialPort::devicePath(n, m_settingsPath);
    auto port = std::make_unique<TermiosSerialPort>();
    std::string why;
    if (n < 1 || !port->open(path, &why)) {
        m_lastError = why.empty() ? path + ": porta non valida" : why;
        // What was tried and why it failed, so the installer knows which device to look at.
        m_operator.message("Attenzione",
                           "Porta seriale " + std::to_string(n) + " non funzionante. (" + m_lastError + ")",
                           MsgIcon::Critical);
        return false;
    }
    m_port = std::move(port);
    m_devicePath = path;
    return true;
}

bool Link::portOpen() const {
    return m_port && m_port->isOpen();
}

void Link::attachPort(std::unique_ptr<SerialPort> port) {
    m_port = std::move(port);
    m_devicePath.clear();
}

void Link::setBoardFlagProvider(std::function<bool()> provider) {
    m_boardFlag = provider ? std::move(provider) : [this] { return m_settings.SchedaL485; };
}

void Link::setPortIoFactory(PortIoFactory factory) {
    m_portIoFactory = std::move(factory);
    m_portIo.reset();
    m_portIoKey = 0;
}

Link::Timeouts Link::timeoutsOf(Timing timing) {
    switch (timing) {
    case Timing::Short:
        return {0.1, 0.1};
    case Timing::Medium:
        return {1.2, 0.4};
    case Timing::Command:
        break;
    }
    return {2.0, 0.5};
}

std::uint16_t Link::lineStatusAddress(int port) {
    switch (port) {
    case 1:
        return 0x3FD;
    case 2:
        return 0x2FD;
    case 3:
        return 0x3ED;
    case 4:
        return 0x2ED;
    default:
        return 0;
    }
}

std::uint8_t Link::boardValue(int loop, bool transmitting) {
    // Only bits 0-2 select a loop; a loop outside 1..8 must not spill into the control bits.
    auto v = static_cast<std::uint8_t>(((loop - 1) & 0x07) | 0x08);
    return transmitting ? static_cast<std::uint8_t>(v | 0x10) : v;
}

std::string Link::exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) {
    if (m_busy) {
        return {};
    }
    std::string reply;
    {
        FlagGuard guard(m_busy);
        reply = transact(reader.loop, payload, timing);
    }
    runIdleActions();
    return reply;
}

void Link::runWhenIdle(std::function<void()> action) {
    if (!action) {
        return;
    }
    if (m_busy) {
        m_idle.push_back(std::move(action));
        return;
    }
    action();
}

void Link::runIdleActions() {
    while (!m_busy && !m_idle.empty()) {
        auto action = std::move(m_idle.front());
        m_idle.pop_front();
        action();
    }
}

void Link::warnBoard(const std::string& why) {
    if (m_boardWarned.insert(why).second) {
        m_operator.message("Attenzione", "Scheda L-485 non utilizzabile: " + why + ".", MsgIcon::Exclamation);
    }
}

PortIo* Link::boardIo() {
    const int port = m_settings.Seriale;
    const std::uint16_t status = lineStatusAddress(port);
    if (status == 0) {
        warnBoard("la porta seriale " + std::to_string(port) +
                  " non ha un registro di stato noto (sono ammesse le porte da 1 a 4)");
        return nullptr;
    }
    const auto board = static_cast<std::uint16_t>(m_settings.Indirizzo485);
    if (board == 0) {
        warnBoard("indirizzo della scheda non impostato (Indirizzo485)");
        return nullptr;
    }
    const std::uint32_t key = (static_cast<std::uint32_t>(board) << 16) | status;
    if (key != m_portIoKey) {
        m_portIoKey = key;
        m_portIoWhy.clear();
        m_portIo = m_portIoFactory ? m_portIoFactory(board, status, m_portIoWhy) : nullptr;
        if (!m_portIo && m_portIoWhy.empty()) {
            m_portIoWhy = "accesso alle porte di I/O non disponibile";
        }
    }
    if (!m_portIo) {
        warnBoard(m_portIoWhy);
    }
    return m_portIo.get();
}

void Link::reopenIfVanished() {
    if (m_devicePath.empty() || (m_port && m_port->isOpen())) {
        return;
    }
    const double now = m_clock.monotonicSeconds();
    if (now - m_lastReopen < ReopenInterval) {
        return;
    }
    m_lastReopen = now;
    auto port = std::make_unique<TermiosSerialPort>();
    if (port->open(m_devicePath)) {
        m_port = std::move(port);
    }
}

std::string Link::transact(int loop, const std::string& payload, Timing timing) {
    reopenIfVanished();
    if (!m_port || !m_port->isOpen()) {
        return {};
    }
    PortIo* io = nullptr;
    if (m_boardFlag && m_boardFlag()) {
        io = boardIo();
        if (!io) {
            return {};
        }
    }
    const std::string frame = Frame::buildRequest(payload);
    m_port->discardInput();

    bool sent = false;
    if (io) {
        const auto board = static_cast<std::uint16_t>(m_settings.Indirizzo485);
        const std::uint16_t status = lineStatusAddress(m_settings.Seriale);
        io->out(board, boardValue(loop, true));
        sent = m_port->write(frame);
        // Release the line only once the last stop bit has left the UART, but never wait unbounded for
        // a UART or board that does not answer.
        const double until =
            m_clock.monotonicSeconds() + 0.1 + static_cast<double>(frame.size()) * SecondsPerByte;
        while (sent) {
            m_pump.processEvents();
            if (m_port->outputPending() == 0 && (io->in(status)&0x40) != 0) {
                break;
            }
            if (m_clock.monotonicSeconds() > until) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        io->out(board, boardValue(loop, false));
    } else {
        sent = m_port->write(frame);
    }
    if (!sent) {
        return {};
    }

    const Timeouts t = timeoutsOf(timing);
    const double start = m_clock.monotonicSeconds();
    const double hardEnd = start + t.firstReply + MaxCollectSeconds;
    double deadline = start + t.firstReply;
    std::string got;
    for (;;) {
        m_pump.processEvents();
        double now = m_clock.monotonicSeconds();
        const double left = std::min(deadline, hardEnd) - now;
        const int waitMs = left <= 0 ? 0 : std::min(2, static_cast<int>(left * 1000.0) + 1);
        std::string chunk = m_port->read(waitMs);
        if (!m_port->isOpen()) {
            return {};
        }
        now = m_clock.monotonicSeconds();
        if (!chunk.empty()) {
            got += chunk;
            deadline = now + t.silence;
        }
        if (Frame::replyComplete(got) || now > deadline || now > hardEnd || got.size() >= MaxReplyBytes) {
            break;
        }
    }
    return Frame::acceptReply(got) ? got : std::string();
}

} // namespace sentinex
