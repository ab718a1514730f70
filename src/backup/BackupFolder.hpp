#pragma once

#include "core/Clock.hpp"

#include <string>
#include <vector>

namespace sentinex {

/// Where the backups live and how their dated folders are named: one folder "AAAAMMGG-HHMMSS" per
/// backup, all in "Backup" under the chosen folder (the program folder when none is chosen).
class BackupFolder {
public:
    static constexpr const char* Subfolder = "Backup";

    /// The folder that holds the dated folders: `chosen` + "/Backup", or `programDir` + "/Backup" when
    /// `chosen` is empty.
    static std::string root(const std::string& programDir, const std::string& chosen);
    /// The dated folder's name for `when`: "20260314-021500".
    static std::string name(const DateTime& when);
    /// True for a name made by `name` (eight digits, "-", six digits).
    static bool isName(const std::string& name);
    /// The name as the operator reads it: "14/03/2026 02:15:00".
    static std::string label(const std::string& name);
    /// The dated folders under `root`, newest first; other entries are ignored. Never throws (a root
    /// that cannot be read has none).
    static std::vector<std::string> list(const std::string& root);
    /// Removes the oldest dated folders beyond the newest `keep` (at least one is always kept) and
    /// returns the names removed. Never throws; a folder that cannot be removed stays and is not named.
    static std::vector<std::string> prune(const std::string& root, int keep);
};

} // namespace sentinex
