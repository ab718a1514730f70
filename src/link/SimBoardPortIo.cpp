#include "SimBoardPortIo.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sentinex {

std::unique_ptr<PortIo> SimBoardPortIo::connect(const std::string& socketPath, std::uint16_t boardAddress,
                                                std::string& why) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof addr.sun_path) {
        why = "percorso della scheda simulata troppo lungo";
        return nullptr;
    }
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        why = "scheda simulata non raggiungibile (" + socketPath + ": " + std::strerror(errno) + ")";
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    return std::unique_ptr<PortIo>(new SimBoardPortIo(fd, boardAddress));
}

SimBoardPortIo::~SimBoardPortIo() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void SimBoardPortIo::out(std::uint16_t address, std::uint8_t value) {
    if (m_fd < 0 || address != m_board) {
        return;
    }
    char line[16];
    int n = std::snprintf(line, sizeof line, "W %02X\n", value);
    if (::send(m_fd, line, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    // Wait for the acknowledgement (one line), never longer than a fraction of a second.
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::milliseconds(300);
    std::string got;
    while (got.find('\n') == std::string::npos && Clock::now() < until) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        char buf[64];
        ssize_t r = ::recv(m_fd, buf, sizeof buf, 0);
        if (r <= 0) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        got.append(buf, static_cast<std::size_t>(r));
    }
}

std::uint8_t SimBoardPortIo::in(std::uint16_t) {
    return 0x40;
}

} // namespace sentinex
