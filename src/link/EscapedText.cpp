#include "EscapedText.hpp"

#include <cstdio>

namespace sentinex {

namespace {

int hexValue(char c) {
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
}

} // namespace

std::string escapeBytes(const std::string& bytes) {
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
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

std::optional<std::string> unescapeBytes(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (i + 1 >= text.size() || hexValue(text[i + 1]) < 0) {
                return std::nullopt;
            }
            int v = hexValue(text[++i]);
            if (i + 1 < text.size() && hexValue(text[i + 1]) >= 0) {
                v = v * 16 + hexValue(text[++i]);
            }
            out += static_cast<char>(v);
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace sentinex
