#include "CardFile.hpp"

#include "core/Numbers.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace sentinex {

namespace {

/// One item of a line: the text between the first pair of quotes, or the line up to a comma.
std::string itemOf(const std::string& line) {
    std::string l = line;
    if (!l.empty() && l.back() == '\r') {
        l.pop_back();
    }
    const auto open = l.find('"');
    if (open != std::string::npos) {
        const auto close = l.find('"', open + 1);
        return l.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    }
    return trim(l.substr(0, l.find(',')));
}

} // namespace

bool CardFile::exists() const {
    std::ifstream in(m_path, std::ios::binary);
    return in.is_open();
}

bool CardFile::create() const {
    std::ofstream out(m_path, std::ios::binary | std::ios::app);
    return out.is_open();
}

std::vector<std::string> CardFile::records() const {
    std::vector<std::string> out;
    std::ifstream in(m_path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::string item = itemOf(line);
        if (!item.empty()) {
            out.push_back(item);
        }
    }
    return out;
}

int CardFile::nextNumber() const {
    const auto all = records();
    if (all.empty()) {
        return 1;
    }
    // A last record whose number is not one (edited by hand: "-1C", blanks) starts again from 1.
    const long long last = wholeValue(all.back().substr(0, 3));
    return last < 1 ? 1 : static_cast<int>(last) + 1;
}

bool CardFile::isNew(const std::string& code) const {
    for (const std::string& r : records()) {
        if (r.size() > 3 && r.substr(3, 6) == code) {
            return false;
        }
    }
    return true;
}

bool CardFile::append(int number, const std::string& code) const {
    std::error_code ec;
    const auto sizeBefore = std::filesystem::file_size(m_path, ec);
    std::string line = "\"" + padLeftZeros(number, 3) + code + "\"\r\n";
    // A last line without its line end (a file edited by hand, or cut short) would swallow the record.
    if (!ec && sizeBefore > 0) {
        std::ifstream in(m_path, std::ios::binary);
        in.seekg(-1, std::ios::end);
        char last = '\n';
        if (in.get(last) && last != '\n') {
            line = (last == '\r' ? "\n" : "\r\n") + line;
        }
    }
    bool ok = false;
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::app);
        if (out.is_open()) {
            out << line;
            out.flush();
            ok = static_cast<bool>(out);
            out.close();
            ok = ok && !out.fail();
        }
    }
    if (!ok && !ec) {
        // A record cut short by a full disk must not be read back as a card.
        std::filesystem::resize_file(m_path, sizeBefore, ec);
    }
    return ok;
}

} // namespace sentinex
