#include "TermiosSerialPort.hpp"

#include "core/ProfileFile.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sentinex {

namespace {

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

} // namespace

TermiosSerialPort::~TermiosSerialPort() {
    close();
}

std::string TermiosSerialPort::devicePath(int port, const std::string& settingsPath) {
    ProfileFile ini(settingsPath);
    if (auto named = ini.find("Porte", "COM" + std::to_string(port)); named && !named->empty()) {
        return *named;
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

bool TermiosSerialPort::open(const std::string& path, std::string* why) {
    close();
    auto fail = [&](const std::string& text, int fd) {
        if (why) {
            *why = text;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    };
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return fail(errnoText(path), -1);
    }
    if (!isatty(fd)) {
        return fail(path + ": non è una porta seriale", fd);
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(errnoText(path + " in uso da un altro programma"), fd);
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return fail(errnoText(path), fd);
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B4800);
    cfsetospeed(&tio, B4800);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        return fail(errnoText(path), fd);
    }
    // Other programs (not run by root) can no longer open the device while we hold it.
    ioctl(fd, TIOCEXCL);
    tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    m_path = path;
    return true;
}

void TermiosSerialPort::close() {
    if (m_fd >= 0) {
        ioctl(m_fd, TIOCNXCL);
        flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool TermiosSerialPort::write(const std::string& bytes) {
    std::size_t done = 0;
    int stalls = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && stalls < 20) {
            // Output buffer full: wait for room, but never for long.
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 50);
            ++stalls;
            continue;
        }
        close();
        return false;
    }
    return m_fd >= 0;
}

std::string TermiosSerialPort::read(int waitMs) {
    std::string got;
    if (m_fd < 0) {
        return got;
    }
    pollfd p{m_fd, POLLIN, 0};
    int r = ::poll(&p, 1, waitMs < 0 ? 0 : waitMs);
    if (r <= 0) {
        return got;
    }
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        close(); // the device has gone away (a hung-up tty reads as end of file)
        return got;
    }
    char buf[512];
    for (;;) {
        // With VMIN = VTIME = 0 a read of an empty tty returns 0, not EAGAIN.
        ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            close(); // EIO, ENXIO: the device has gone away
        }
        break;
    }
    return got;
}

void TermiosSerialPort::discardInput() {
    if (m_fd < 0) {
        return;
    }
    tcflush(m_fd, TCIFLUSH);
    // A pty may still hand over bytes that were on their way; drop those too.
    for (int i = 0; i < 16 && m_fd >= 0 && !read(0).empty(); ++i) {
    }
}

int TermiosSerialPort::outputPending() {
    int n = 0;
    if (m_fd < 0 || ioctl(m_fd, TIOCOUTQ, &n) != 0) {
        return 0;
    }
    return n;
}

} // namespace sentinex
