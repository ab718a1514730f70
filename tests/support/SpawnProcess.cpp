#include "SpawnProcess.hpp"

#include <fcntl.h>
#include <spawn.h>

extern char** environ;

namespace sentinex::testing {

pid_t spawnProcess(std::vector<std::string> args, const std::string& log) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (!log.empty()) {
        posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&files, 1, 2);
    }
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    return spawned == 0 ? pid : -1;
}

} // namespace sentinex::testing
