#pragma once

// The program as a child process a test can kill hard: sentinex-e2e-host (the main window of an
// installation with polling switched on, messages on stderr) or the program itself, copied into the
// installation as an installer leaves it.

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

extern char** environ;

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
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&fa, 1, 2);
        std::string bin = program.empty() ? hostBinary() : program;
        std::string dir = folder;
        char* argv[] = {bin.data(), program.empty() ? dir.data() : nullptr, nullptr};
        if (posix_spawn(&m_pid, bin.c_str(), &fa, nullptr, argv, environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&fa);
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
