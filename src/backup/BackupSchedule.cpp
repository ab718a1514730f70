#include "BackupSchedule.hpp"

#include <cctype>

namespace sentinex {

namespace {

long long dayOf(const DateTime& d) {
    return daysFromCivil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day));
}

int digits2(const std::string& s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

} // namespace

bool BackupSchedule::validTime(const std::string& time) {
    if (time.size() != 5 || time[2] != ':') {
        return false;
    }
    for (std::size_t i : {0u, 1u, 3u, 4u}) {
        if (!std::isdigit(static_cast<unsigned char>(time[i]))) {
            return false;
        }
    }
    return digits2(time, 0) < 24 && digits2(time, 3) < 60;
}

bool BackupSchedule::due(const DateTime& now, const std::string& time,
                         const std::function<bool()>& backupsOfToday) const {
    if (!validTime(time) || dayOf(now) == m_lastDay) {
        return false;
    }
    if (now.hour * 60 + now.minute < digits2(time, 0) * 60 + digits2(time, 3)) {
        return false;
    }
    return !backupsOfToday();
}

void BackupSchedule::started(const DateTime& now) {
    m_lastDay = dayOf(now);
}

} // namespace sentinex
