#pragma once

#include <string>

namespace sentinex {

/// One running copy per installation: an exclusive flock on a lock file in the program folder, held
/// until this object goes away (or the process ends, whichever comes first).
class InstanceLock {
public:
    /// What `acquire` found.
    enum class Result {
        Acquired,  // this copy holds the lock
        Taken,     // another copy holds it
        Unusable,  // the path is there but cannot be locked (a folder, a device): nothing would keep a
                   // second copy out, so the program must not start
        Unguarded, // the folder takes no new file (read-only): the program runs without the guard, as a
                   // second copy could not write anything either
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    /// Takes the lock on `path`, creating the file when missing; an existing file the folder does not let
    /// us open for writing is locked through a read-only descriptor.
    Result acquire(const std::string& path);
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace sentinex
