#include "ProfileFile.hpp"

#include "TextCodec.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sentinex {

namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";

bool readBytes(const std::string& path, std::string& out) {
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return false;
        }
        std::ostringstream ss;
        ss << in.rdbuf();
        out = ss.str();
        return !in.bad();
    } catch (...) {
        return false;
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimBlanks(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

/// One line of the file: its bytes without terminator and the terminator as found.
struct Line {
    std::string text;
    std::string eol;
};

std::vector<Line> splitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t j = bytes.find_first_of("\r\n", i);
        if (j == std::string::npos) {
            lines.push_back({bytes.substr(i), ""});
            break;
        }
        std::size_t k = j + 1;
        if (bytes[j] == '\r' && k < bytes.size() && bytes[k] == '\n') {
            ++k;
        }
        lines.push_back({bytes.substr(i, j - i), bytes.substr(j, k - j)});
        i = k;
    }
    return lines;
}

/// A line parsed in UTF-8: section header, key line, or other (comment, blank, garbage).
struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    std::string name;
    std::string value;
};

Parsed parseLine(const std::string& utf8) {
    Parsed p;
    const std::string t = trimBlanks(utf8);
    if (t.empty() || t[0] == ';') {
        return p;
    }
    if (t[0] == '[') {
        const std::size_t close = t.find(']');
        p.kind = Parsed::Section;
        p.name = trimBlanks(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return p;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) {
        return p;
    }
    p.kind = Parsed::Key;
    p.name = trimBlanks(t.substr(0, eq));
    p.value = trimBlanks(t.substr(eq + 1));
    return p;
}

/// The file's text encoding, decided once per file: UTF-8 when it carries a BOM or multi-byte UTF-8.
struct Encoding {
    bool utf8 = false;
    std::string toUtf8(const std::string& bytes) const { return utf8 ? bytes : cp1252ToUtf8(bytes); }
    std::string fromUtf8(const std::string& text) const { return utf8 ? text : utf8ToCp1252(text); }
};

Encoding detect(const std::string& bytes) {
    Encoding e;
    e.utf8 = bytes.compare(0, 3, kBom) == 0 || looksLikeUtf8(bytes);
    return e;
}

std::string firstLineOf(const std::string& s) {
    return s.substr(0, s.find_first_of("\r\n"));
}

/// Writes `bytes` to a temporary file beside `target`, syncs it and renames it over `target`.
bool replaceFile(const std::string& target, const std::string& bytes) {
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string tmpl = target + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    const std::string tmp(name.data());
    bool ok = true;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ok = ::fchmod(fd, 0666 & ~mask) == 0;
    }
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace

std::vector<std::pair<std::string, std::string>> ProfileFile::section(const std::string& name) const {
    std::vector<std::pair<std::string, std::string>> entries;
    try {
        std::string bytes;
        if (!readBytes(m_path, bytes)) {
            return entries;
        }
        const Encoding enc = detect(bytes);
        if (enc.utf8 && bytes.compare(0, 3, kBom) == 0) {
            bytes.erase(0, 3);
        }
        bool inSection = false;
        for (const Line& line : splitLines(bytes)) {
            const Parsed p = parseLine(enc.toUtf8(line.text));
            if (p.kind == Parsed::Section) {
                // The first section of that name is the one read; a later one of the same name is not.
                if (inSection) {
                    break;
                }
                inSection = sameName(p.name, trimBlanks(name));
            } else if (inSection && p.kind == Parsed::Key) {
                entries.emplace_back(p.name, p.value);
            }
        }
    } catch (...) {
        // Reading a profile file never throws: an unreadable one reads as an empty section.
        entries.clear();
    }
    return entries;
}

std::optional<std::string>
ProfileFile::lookup(const std::vector<std::pair<std::string, std::string>>& entries, const std::string& key) {
    const std::string k = trimBlanks(key);
    for (const auto& [name, value] : entries) {
        if (sameName(name, k)) {
            return value;
        }
    }
    return std::nullopt;
}

std::string ProfileFile::cut(const std::string& value, std::size_t maxLength) {
    return maxLength == 0 ? std::string() : firstCharacters(value, maxLength - 1);
}

std::optional<std::string> ProfileFile::find(const std::string& section, const std::string& key) const {
    return lookup(this->section(section), key);
}

std::string ProfileFile::read(const std::string& section, const std::string& key, const std::string& def,
                              std::size_t maxLength) const {
    if (maxLength == 0) {
        return {};
    }
    std::optional<std::string> v;
    try {
        v = find(section, key);
    } catch (...) {
        // As with a missing key: the caller's default stands.
        v.reset();
    }
    return firstCharacters(v ? *v : def, maxLength - 1);
}

bool ProfileFile::write(const std::string& section, const std::string& key, const std::string& value) const {
    return writeAll(section, {{key, value}});
}

bool ProfileFile::writeAll(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& entries) const {
    try {
        std::string bytes;
        const bool exists = readBytes(m_path, bytes);
        if (!exists) {
            struct stat st {};
            if (::stat(m_path.c_str(), &st) == 0) {
                return false; // present but unreadable: never replace what could not be read
            }
            bytes.clear();
        }
        // Write through a symbolic link to the file it names, as an editor would.
        std::string target = m_path;
        char resolved[PATH_MAX];
        if (exists && ::realpath(m_path.c_str(), resolved) != nullptr) {
            target = resolved;
        }
        const Encoding enc = exists ? detect(bytes) : Encoding{};
        std::string bom;
        if (enc.utf8 && bytes.compare(0, 3, kBom) == 0) {
            bom = kBom;
            bytes.erase(0, 3);
        }
        std::vector<Line> lines = splitLines(bytes);
        std::string eol = "\r\n";
        for (const Line& l : lines) {
            if (!l.eol.empty()) {
                eol = l.eol;
                break;
            }
        }
        const std::string sec = trimBlanks(section);
        for (const auto& [rawKey, rawValue] : entries) {
            const std::string k = trimBlanks(firstLineOf(rawKey));
            const std::string newLine = enc.fromUtf8(k + "=" + firstLineOf(rawValue));
            // Locate the section (first of that name) and, inside it, the key.
            std::size_t secStart = lines.size();
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const Parsed p = parseLine(enc.toUtf8(lines[i].text));
                if (p.kind == Parsed::Section && sameName(p.name, sec)) {
                    secStart = i;
                    break;
                }
            }
            if (secStart == lines.size()) {
                if (!lines.empty() && lines.back().eol.empty()) {
                    lines.back().eol = eol;
                }
                lines.push_back({enc.fromUtf8("[" + sec + "]"), eol});
                lines.push_back({newLine, eol});
                continue;
            }
            std::size_t lastContent = secStart;
            bool replaced = false;
            for (std::size_t i = secStart + 1; i < lines.size(); ++i) {
                const Parsed p = parseLine(enc.toUtf8(lines[i].text));
                if (p.kind == Parsed::Section) {
                    break;
                }
                if (p.kind == Parsed::Key && sameName(p.name, k)) {
                    lines[i].text = newLine;
                    replaced = true;
                    break;
                }
                if (!trimBlanks(lines[i].text).empty()) {
                    lastContent = i;
                }
            }
            if (!replaced) {
                if (lines[lastContent].eol.empty()) {
                    lines[lastContent].eol = eol;
                }
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1,
                             Line{newLine, eol});
            }
        }
        std::string out = bom;
        for (const Line& l : lines) {
            out += l.text;
            out += l.eol;
        }
        return replaceFile(target, out);
    } catch (...) {
        return false;
    }
}

} // namespace sentinex
