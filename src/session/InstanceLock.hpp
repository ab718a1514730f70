#pragma once

#include <string>

namespace sentinex {

/// One running copy per installation: an exclusive flock on a lock file in the program folder, held
/// until this object goes away (or the process ends, whichever comes first).
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    /// Takes the lock on `path`, creating the file when missing. False when another holder has it.
    /// A file that cannot be created or locked for any other reason (read-only folder) lets the
    /// program run: the lock is a guard against a second copy, not a condition for starting.
    bool acquire(const std::string& path);
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace sentinex
