#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace sentinex::testing {

/// Starts the program `args[0]` with `args` (the program first, as its own argv). With `log`, its
/// standard output and error are appended to that file, so a child that outlives a crashed test holds
/// none of the test runner's pipes; without, they stay the caller's. The child's id, or -1 when it could
/// not start.
pid_t spawnProcess(std::vector<std::string> args, const std::string& log = {});

} // namespace sentinex::testing
