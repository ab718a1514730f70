#pragma once

#include <string>

namespace sentinex::testing {

/// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "sentinex");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    /// path + "/" + name.
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    /// Writes `bytes` to the file `name` in the folder (replacing it); returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    /// The whole content of a file (empty when missing).
    static std::string read(const std::string& path);

private:
    std::string m_path;
};

} // namespace sentinex::testing
