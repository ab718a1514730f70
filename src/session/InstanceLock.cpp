#include "session/InstanceLock.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sentinex {

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // closing the only descriptor releases the flock
    }
}

bool InstanceLock::acquire(const std::string& path) {
    if (m_fd >= 0) {
        return true;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        return !taken;
    }
    m_fd = fd;
    return true;
}

} // namespace sentinex
