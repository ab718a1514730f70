#pragma once

#include <string>
#include <vector>

namespace sentinex {

/// A Vireo card file: one quoted 9-character record a line, a three-digit card number and the
/// six-character card code, in capture order. Opened, read or written and closed within each call, so
/// every record appended is on disk when the call returns.
class CardFile {
public:
    explicit CardFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }
    /// True when the file can be opened for reading.
    bool exists() const;
    /// Creates the file empty; false when it cannot be created.
    bool create() const;
    /// The records without their quotes, in file order (none when the file cannot be read).
    std::vector<std::string> records() const;
    /// The number the next card gets: the last record's first three characters + 1, or 1.
    int nextNumber() const;
    /// True when no record holds `code` in its characters 4-9 (the code is new).
    bool isNew(const std::string& code) const;
    /// Appends the record number (three digits) + code as a quoted line; false, with the file as it was
    /// before, when it cannot be written (read-only folder, disk full).
    bool append(int number, const std::string& code) const;

private:
    std::string m_path;
};

} // namespace sentinex
