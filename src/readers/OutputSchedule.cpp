#include "OutputSchedule.hpp"

#include "core/TextCodec.hpp"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace sentinex {

namespace {

/// Columns `from`..`to` (1-based, inclusive) of an item; columns past its end read as empty.
std::string columns(const std::string& item, std::size_t from, std::size_t to) {
    if (item.size() < from) {
        return {};
    }
    return item.substr(from - 1, to - from + 1);
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::string two(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

} // namespace

std::optional<int> OutputSchedule::decide(const std::string& content, const DateTime& now) {
    // Columns count characters: work on single-byte Windows-1252 text whichever encoding the file has.
    const std::string text = utf8ToCp1252(fileTextToUtf8(content));
    // Weekday names by DateTime::weekday(), 0 = Sunday.
    static const char* const kDays[7] = {"Domenica",   "Luned\xEC",  "Marted\xEC", "Mercoled\xEC",
                                         "Gioved\xEC", "Venerd\xEC", "Sabato"};
    const std::string nowText = two(now.hour) + ":" + two(now.minute);
    const int today = now.weekday();

    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t end = text.find_first_of(",\r\n", i);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string item = text.substr(i, end - i);
        i = end + 1;
        const std::size_t lead = item.find_first_not_of(" \t");
        item = lead == std::string::npos ? std::string() : item.substr(lead);
        if (item.empty()) {
            continue;
        }
        bool applies = false;
        std::string start;
        std::string stop;
        std::string mark;
        if (startsWith(item, "Data")) {
            applies = columns(item, 6, 7) == two(now.day) && columns(item, 9, 10) == two(now.month);
            start = columns(item, 25, 29);
            stop = columns(item, 36, 40);
            mark = columns(item, 42, 42);
        } else if (startsWith(item, "Orario")) {
            applies = true;
        } else {
            bool known = false;
            for (int d = 0; d < 7; ++d) {
                if (startsWith(item, kDays[d])) {
                    known = true;
                    applies = d == today;
                    break;
                }
            }
            if (!known) {
                continue;
            }
        }
        if (!startsWith(item, "Data")) {
            start = columns(item, 17, 21);
            stop = columns(item, 28, 32);
            mark = columns(item, 34, 34);
        }
        if (!applies || mark != "X") {
            continue;
        }
        return start <= nowText && nowText <= stop ? 1 : 0;
    }
    return std::nullopt;
}

std::optional<int> OutputSchedule::decideFile(const std::string& path, const DateTime& now) {
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        std::ostringstream ss;
        ss << in.rdbuf();
        if (in.bad()) {
            return std::nullopt;
        }
        return decide(ss.str(), now);
    } catch (...) {
        // An unreadable schedule decides nothing, silently: the tick comes back in 10 s, and a box
        // every 10 s would stop the guard's work without telling more than the file does.
        return std::nullopt;
    }
}

} // namespace sentinex
