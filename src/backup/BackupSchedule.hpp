#pragma once

#include "core/Clock.hpp"

#include <functional>
#include <string>

namespace sentinex {

/// When the daily backup runs: once a day, at the first look at or after the set time ("OraBackup",
/// "HH:MM"; empty or not a time: never). A day whose backup folder already exists (a start-up after
/// the time, a manual backup earlier on) needs none; a failed attempt is not retried the same day, so
/// a full disk is said once a day rather than at every look.
class BackupSchedule {
public:
    /// True when a backup should start now. `backupsOfToday` tells whether `root` already holds a
    /// backup dated today; it is asked only once the time has come.
    bool due(const DateTime& now, const std::string& time, const std::function<bool()>& backupsOfToday) const;
    /// A backup was started today (whatever its end).
    void started(const DateTime& now);
    /// "HH:MM" with hours 00-23 and minutes 00-59.
    static bool validTime(const std::string& time);

private:
    long long m_lastDay = -1;
};

} // namespace sentinex
