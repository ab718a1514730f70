#include "CsvWriter.hpp"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace sentinex {

namespace {

std::runtime_error cannotCreate(const std::string& path) {
    return std::runtime_error("Impossibile creare il file '" + path + "'.");
}

/// A first character that makes a spreadsheet read the cell as a formula.
bool startsFormula(const std::string& field) {
    return !field.empty() && std::string("=+-@\t\r").find(field.front()) != std::string::npos;
}

} // namespace

CsvWriter::CsvWriter(const std::string& path) : m_path(path), m_tempPath(temporaryPath(path)) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw cannotCreate(path);
    }
    m_out.open(m_tempPath, std::ios::binary | std::ios::trunc);
    if (!m_out) {
        throw cannotCreate(path);
    }
    m_out << "\xEF\xBB\xBF";
}

CsvWriter::~CsvWriter() {
    if (!m_done) {
        m_out.close();
        std::error_code ignored; // the export has already failed; a leftover temporary file is harmless
        std::filesystem::remove(m_tempPath, ignored);
    }
}

std::string CsvWriter::quoted(const std::string& field) {
    const std::string text = startsFormula(field) ? "'" + field : field;
    if (text.find_first_of(";\"\r\n") == std::string::npos) {
        return text;
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

void CsvWriter::writeRecord(const std::vector<std::string>& fields) {
    m_line.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            m_line += ';';
        }
        m_line += quoted(fields[i]);
    }
    m_line += "\r\n";
    m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
}

void CsvWriter::close() {
    m_out.flush();
    const bool ok = static_cast<bool>(m_out);
    m_out.close();
    if (!ok || m_out.fail()) {
        throw std::runtime_error("Impossibile scrivere il file '" + m_path + "'.");
    }
    std::error_code ec;
    std::filesystem::rename(m_tempPath, m_path, ec);
    if (ec) {
        throw std::runtime_error("Impossibile scrivere il file '" + m_path + "'.");
    }
    m_done = true;
}

} // namespace sentinex
