#include "BackupFolder.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace sentinex {

std::string BackupFolder::root(const std::string& programDir, const std::string& chosen) {
    return (fs::path(chosen.empty() ? programDir : chosen) / Subfolder).string();
}

std::string BackupFolder::name(const DateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", when.year, when.month, when.day, when.hour,
                  when.minute, when.second);
    return text;
}

bool BackupFolder::isName(const std::string& name) {
    if (name.size() != 15 || name[8] != '-') {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i != 8 && !std::isdigit(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

std::string BackupFolder::label(const std::string& name) {
    if (!isName(name)) {
        return name;
    }
    return name.substr(6, 2) + "/" + name.substr(4, 2) + "/" + name.substr(0, 4) + " " + name.substr(9, 2) +
           ":" + name.substr(11, 2) + ":" + name.substr(13, 2);
}

std::vector<std::string> BackupFolder::list(const std::string& root) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        std::error_code dirError;
        if (isName(n) && it->is_directory(dirError)) {
            names.push_back(n);
        }
    }
    // The names sort as their dates do.
    std::sort(names.rbegin(), names.rend());
    return names;
}

std::vector<std::string> BackupFolder::prune(const std::string& root, int keep) {
    std::vector<std::string> removed;
    const std::vector<std::string> names = list(root);
    for (std::size_t i = static_cast<std::size_t>(std::max(keep, 1)); i < names.size(); ++i) {
        std::error_code ec;
        fs::remove_all(fs::path(root) / names[i], ec);
        if (!ec) {
            removed.push_back(names[i]);
        }
    }
    return removed;
}

} // namespace sentinex
