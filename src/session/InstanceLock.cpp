#include "session/InstanceLock.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sentinex {

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // closing the only descriptor releases the flock
    }
}

InstanceLock::Result InstanceLock::acquire(const std::string& path) {
    if (m_fd >= 0) {
        return Result::Acquired;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return Result::Unusable; // a folder of that name would let every copy "lock" it its own way
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0640);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        // A read-only folder or file: an existing lock file still takes a flock through a read-only
        // descriptor; without one the folder cannot hold the guard at all.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            return errno == ENOENT || errno == EACCES ? Result::Unguarded : Result::Unusable;
        }
    }
    if (fd < 0) {
        return errno == ENOENT ? Result::Unguarded : Result::Unusable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        return taken ? Result::Taken : Result::Unusable;
    }
    m_fd = fd;
    return Result::Acquired;
}

} // namespace sentinex
