#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace sentinex {

/// A CSV file as spreadsheets here read it: UTF-8 with a byte order mark, fields separated by ";",
/// records ended by CR LF. A field holding ";", a quote or a line break is enclosed in quotes, its quotes
/// doubled.
class CsvWriter {
public:
    /// Creates (or replaces) the file and writes the byte order mark. Throws std::runtime_error when the
    /// file cannot be created.
    explicit CsvWriter(const std::string& path);
    void writeRecord(const std::vector<std::string>& fields);
    /// Flushes and closes; throws std::runtime_error when anything could not be written.
    void close();

    /// One field as written.
    static std::string quoted(const std::string& field);

private:
    std::string m_path;
    std::ofstream m_out;
    std::string m_line;
};

} // namespace sentinex
