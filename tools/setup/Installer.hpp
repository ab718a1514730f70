#pragma once

#include <string>

namespace sentinex {

/// Lays out installations from the kit built into the tool.
class Installer {
public:
    /// `dir`: the program folder to fill; `toolDir`: where the executables to copy sit.
    Installer(std::string dir, std::string toolDir);

    /// A complete new installation: executables found beside the tool, Sentinex.mdb from the schema
    /// (with the national holidays in `Festivita`),
    /// RepSentinex.mdb.schema and RepSentinex.mdb, and (when missing) Sentinex.ini, pswsentinex.txt,
    /// Date.txt and the report layouts Utenti.rpt, giornata1new.rpt, presenze.rpt. Refuses, returning
    /// false with `error` set, when Sentinex.mdb already exists.
    bool install(std::string& error) const;
    /// Demonstration data: two readers, three users and `[Porte] COM1=<dir>/bus` in Sentinex.ini.
    /// Lays the installation out first when it has no database; refuses a database that already holds
    /// readers or users.
    bool addDemoData(std::string& error) const;

private:
    std::string m_dir;
    std::string m_toolDir;
};

} // namespace sentinex
