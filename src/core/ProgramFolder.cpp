#include "ProgramFolder.hpp"

#include <climits>
#include <unistd.h>

namespace sentinex {

ProgramFolder ProgramFolder::ofExecutable() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
        return ProgramFolder(".");
    }
    std::string exe(buf, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos) {
        return ProgramFolder(".");
    }
    return ProgramFolder(slash == 0 ? "/" : exe.substr(0, slash));
}

std::string ProgramFolder::file(const std::string& name) const {
    if (!m_dir.empty() && m_dir.back() == '/') {
        return m_dir + name;
    }
    return m_dir + "/" + name;
}

} // namespace sentinex
