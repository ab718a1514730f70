#include "SimText.hpp"

#include "link/EscapedText.hpp"

#include <cstdio>
#include <sstream>

namespace sentinex::sim {

std::string escape(const std::string& bytes) {
    return escapeBytes(bytes);
}

std::string unescape(const std::string& text) {
    // A word with a bad escape is taken as it stands rather than refused.
    return unescapeBytes(text).value_or(text);
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
