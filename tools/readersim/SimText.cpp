#include "SimText.hpp"

#include <cstdio>
#include <sstream>

namespace sentinex::sim {

std::string escape(const std::string& bytes) {
    std::string out;
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != ',' && c != '=' && c != '\\') {
            out += ch;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string unescape(const std::string& text) {
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hexValue(text[i + 2]) >= 0 &&
            hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w) {
        out.push_back(w);
    }
    return out;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

} // namespace sentinex::sim
