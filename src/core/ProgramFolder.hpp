#pragma once

#include <string>

namespace sentinex {

/// The folder that holds the executable; every file of an installation is found there.
class ProgramFolder {
public:
    explicit ProgramFolder(std::string dir) : m_dir(std::move(dir)) {}
    /// The folder of the running executable (from /proc/self/exe).
    static ProgramFolder ofExecutable();

    const std::string& dir() const { return m_dir; }
    /// dir + "/" + name.
    std::string file(const std::string& name) const;
    std::string settings() const { return file("Sentinex.ini"); }
    std::string database() const { return file("Sentinex.mdb"); }
    std::string reportDatabase() const { return file("RepSentinex.mdb"); }
    std::string schedule() const { return file("Date.txt"); }
    std::string textHistory() const { return file("Storico.txt"); }
    std::string passwordFile() const { return file("pswsentinex.txt"); }

private:
    std::string m_dir;
};

} // namespace sentinex
