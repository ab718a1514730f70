#include "VireoCardFile.hpp"

#include "core/TextCodec.hpp"

#include <fstream>
#include <sstream>

namespace sentinex {

std::string VireoCardFile::pathFor(const std::string& folder, const std::string& fileVireo) {
    return folder + "/" + fileVireo + ".txt";
}

std::vector<std::string> VireoCardFile::items(const std::string& content) {
    // Compare one byte per character, as the readers send the code.
    const std::string text = utf8ToCp1252(fileTextToUtf8(content));
    std::vector<std::string> out;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        if (text[i] == '\r' || text[i] == '\n') {
            ++i; // empty line
            continue;
        }
        std::string item;
        if (text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string::npos ? n : close;
            item = text.substr(i + 1, end - i - 1);
            i = close == std::string::npos ? n : close + 1;
            while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                ++i;
            }
        } else {
            const std::size_t start = i;
            while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                ++i;
            }
            item = text.substr(start, i - start);
            while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) {
                item.pop_back();
            }
        }
        if (i < n && text[i] == ',') {
            ++i;
        }
        out.push_back(std::move(item));
    }
    return out;
}

std::string VireoCardFile::lookup(const std::string& path, const std::string& code) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Missing;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    in.close();
    for (const std::string& item : items(buf.str())) {
        if (!code.empty() && item.size() > 3 && item.substr(3, 6) == code) {
            return "0" + item.substr(0, 3);
        }
    }
    return NotFound;
}

} // namespace sentinex
