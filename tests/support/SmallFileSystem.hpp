#pragma once

#include "TempDir.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace sentinex::testing {

/// A small file system of its own (tmpfs), where the installations made while it is current live, and
/// a filler that takes every free byte of it. Mounting needs the right to mount: without it, usable()
/// is false and the test says so.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const char* size, bool currentForTemporaries = true) {
        m_mounted = ::mount("tmpfs", m_dir.path().c_str(), "tmpfs", 0, size) == 0;
        if (m_mounted && currentForTemporaries) {
            const char* old = std::getenv("TMPDIR");
            m_oldTmp = old ? old : "";
            m_hadTmp = old != nullptr;
            m_tmpSet = true;
            ::setenv("TMPDIR", m_dir.path().c_str(), 1);
        }
    }
    ~SmallFileSystem() {
        restoreTmpDir();
        if (m_mounted) {
            ::umount2(m_dir.path().c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool usable() const { return m_mounted; }
    const std::string& path() const { return m_dir.path(); }
    /// New temporary folders go back to the usual place.
    void restoreTmpDir() {
        if (m_tmpSet) {
            m_hadTmp ? ::setenv("TMPDIR", m_oldTmp.c_str(), 1) : ::unsetenv("TMPDIR");
            m_tmpSet = false;
        }
    }
    /// Writes a file until the file system refuses more. Returns false if it never refused.
    bool fill() {
        const int fd = ::open(m_dir.file("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) {
            return false;
        }
        const std::string block(4096, '\0');
        bool refused = false;
        for (int i = 0; i < 1 << 20 && !refused; ++i) {
            refused = ::write(fd, block.data(), block.size()) < static_cast<ssize_t>(block.size());
        }
        // Leftovers smaller than a block.
        while (refused && ::write(fd, block.data(), 1) == 1) {
        }
        ::close(fd);
        return refused;
    }
    void release() { ::unlink(m_dir.file("filler").c_str()); }

private:
    TempDir m_dir{"sentinex-fs"};
    bool m_mounted = false;
    bool m_hadTmp = false;
    bool m_tmpSet = false;
    std::string m_oldTmp;
};

} // namespace sentinex::testing
