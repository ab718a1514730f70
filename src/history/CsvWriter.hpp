#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace sentinex {

/// A CSV file as spreadsheets here read it: UTF-8 with a byte order mark, fields separated by ";",
/// records ended by CR LF. A field holding ";", a quote or a line break is enclosed in quotes, its quotes
/// doubled; a field a spreadsheet would take for a formula (it begins with "=", "+", "-", "@", a tab or
/// a carriage return) is written after an apostrophe, so a name typed as "=..." stays text.
///
/// The records go to a temporary file beside the chosen one, which takes the chosen name only once
/// everything is written: a failed export never leaves a truncated file, nor spoils an older one.
class CsvWriter {
public:
    /// Creates the temporary file and writes the byte order mark. Throws std::runtime_error when it
    /// cannot be created, or when `path` names a folder.
    explicit CsvWriter(const std::string& path);
    /// Removes the temporary file when close() did not complete.
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    void writeRecord(const std::vector<std::string>& fields);
    /// Flushes, closes and gives the file its name; throws std::runtime_error when anything could not be
    /// written or renamed (the chosen file is then as it was before).
    void close();

    /// One field as written.
    static std::string quoted(const std::string& field);
    /// The temporary name the records are written under until close().
    static std::string temporaryPath(const std::string& path) { return path + ".~tmp"; }

private:
    std::string m_path;
    std::string m_tempPath;
    std::ofstream m_out;
    std::string m_line;
    bool m_done = false;
};

} // namespace sentinex
