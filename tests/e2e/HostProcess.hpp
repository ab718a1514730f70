#pragma once

// The program as a child process a test can kill hard: sentinex-e2e-host (the main window of an
// installation with polling switched on, messages on stderr) or the program itself, copied into the
// installation as an installer leaves it.

#include "support/SpawnProcess.hpp"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace sentinex::e2e {

inline std::string hostBinary() {
    const char* env = std::getenv("SENTINEX_BIN_DIR");
    return std::string(env && *env ? env : SENTINEX_BIN_DIR) + "/sentinex-e2e-host";
}

/// The program `sentinex` copied into installation `folder` (it takes its folder from where it lies);
/// returns its path, or the empty text when it could not be copied.
inline std::string installProgram(const std::string& folder) {
    const char* env = std::getenv("SENTINEX_BIN_DIR");
    const std::string from = std::string(env && *env ? env : SENTINEX_BIN_DIR) + "/sentinex";
    const std::string to = folder + "/sentinex";
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? std::string() : to;
}

/// sentinex-e2e-host on an installation folder, or `program` (no arguments: an installed `sentinex`);
/// its output goes to `log`.
class Host {
public:
    Host(const std::string& folder, const std::string& log, const std::string& program = {}) {
        std::vector<std::string> args{program.empty() ? hostBinary() : program};
        if (program.empty()) {
            args.push_back(folder);
        }
        m_pid = testing::spawnProcess(std::move(args), log);
    }
    ~Host() { kill(); }
    bool started() const { return m_pid > 0; }
    /// Still running (not ended by itself).
    bool alive() {
        if (m_pid <= 0) {
            return false;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        return true;
    }
    void kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
};

} // namespace sentinex::e2e
