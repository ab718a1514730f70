#pragma once

#include <chrono>
#include <ctime>

namespace sentinex::bench {

/// A std::chrono clock over one of the kernel's CPU-time clocks: figures and their ratios stay meaningful
/// when other work shares the machine (wall time would count the time spent waiting for a core).
template <clockid_t Id> struct CpuClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<CpuClock>;
    static constexpr bool is_steady = true;
    static time_point now() {
        timespec ts{};
        clock_gettime(Id, &ts);
        return time_point(duration(static_cast<rep>(ts.tv_sec) * 1000000000 + ts.tv_nsec));
    }
};

/// The CPU time of the calling thread.
using ThreadCpuClock = CpuClock<CLOCK_THREAD_CPUTIME_ID>;
/// The CPU time of the whole process (every thread, SQLite's and Qt's included).
using ProcessCpuClock = CpuClock<CLOCK_PROCESS_CPUTIME_ID>;

/// The process's CPU time so far, in seconds.
inline double processCpuSeconds() {
    return std::chrono::duration<double>(ProcessCpuClock::now().time_since_epoch()).count();
}

} // namespace sentinex::bench
