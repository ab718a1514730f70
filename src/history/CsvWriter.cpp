#include "CsvWriter.hpp"

#include <stdexcept>

namespace sentinex {

CsvWriter::CsvWriter(const std::string& path)
    : m_path(path), m_out(path, std::ios::binary | std::ios::trunc) {
    if (!m_out) {
        throw std::runtime_error("Impossibile creare il file '" + path + "'.");
    }
    m_out << "\xEF\xBB\xBF";
}

std::string CsvWriter::quoted(const std::string& field) {
    if (field.find_first_of(";\"\r\n") == std::string::npos) {
        return field;
    }
    std::string out = "\"";
    for (char c : field) {
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
}

} // namespace sentinex
