#pragma once

#include <string>
#include <vector>

namespace sentinex {

/// Brings an existing installation's executables to the ones beside the tool, leaving every data file
/// (database, settings, password, schedule, history, layouts) as it is. The database itself is brought
/// up to date by the program at its next start.
class Upgrade {
public:
    /// `dir`: the installation's program folder; `toolDir`: where the new executables sit.
    Upgrade(std::string dir, std::string toolDir);

    /// Replaces each executable of the installation that the tool folder holds. Refuses, returning
    /// false with `error` set, a folder without a usable Sentinex.mdb and a database written by a newer
    /// program. `replaced` gets the names of the executables replaced.
    bool run(std::vector<std::string>& replaced, std::string& error) const;

private:
    std::string m_dir;
    std::string m_toolDir;
};

} // namespace sentinex
