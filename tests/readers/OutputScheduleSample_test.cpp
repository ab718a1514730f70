#include "core/Clock.hpp"
#include "core/TextCodec.hpp"
#include "readers/OutputSchedule.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace sentinex {
namespace {

// The sample "Date.txt" every installation receives: it documents the format, and it must never work
// the doors by itself on a site where the operator switches the automatic output on.

std::string kitSample() {
    return testing::TempDir::read(std::string(SENTINEX_SOURCE_DIR) + "/kit/Date.txt");
}

/// Weekday names as the installations write them (Windows-1252), 0 = Sunday as DateTime::weekday().
const char* const kWeekdays[7] = {"Domenica",   "Luned\xEC",  "Marted\xEC", "Mercoled\xEC",
                                  "Gioved\xEC", "Venerd\xEC", "Sabato"};

/// One line of the sample that the schedule reads as an item of a known kind.
struct ExampleLine {
    std::string item; // leading blanks dropped, Windows-1252
    enum class Kind { Date, Weekday, EveryDay } kind;
    int weekday = -1;         // for Kind::Weekday
    std::size_t firstTime{};  // 1-based column of the start time
    std::size_t secondTime{}; // 1-based column of the end time
    std::size_t markColumn{};

    std::string column(std::size_t from, std::size_t width) const {
        return item.size() < from ? std::string() : item.substr(from - 1, width);
    }
    std::string start() const { return column(firstTime, 5); }
    std::string end() const { return column(secondTime, 5); }
};

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

/// The items of the file (split at line ends and commas, leading blanks dropped) that begin with the name
/// of a line kind.
std::vector<ExampleLine> exampleLines(const std::string& cp1252) {
    std::vector<ExampleLine> lines;
    std::size_t at = 0;
    while (at <= cp1252.size()) {
        std::size_t stop = cp1252.find_first_of(",\r\n", at);
        if (stop == std::string::npos) {
            stop = cp1252.size();
        }
        std::string item = cp1252.substr(at, stop - at);
        at = stop + 1;
        const std::size_t lead = item.find_first_not_of(" \t");
        if (lead == std::string::npos) {
            continue;
        }
        item = item.substr(lead);
        if (startsWith(item, "Data")) {
            lines.push_back({item, ExampleLine::Kind::Date, -1, 25, 36, 42});
        } else if (startsWith(item, "Orario")) {
            lines.push_back({item, ExampleLine::Kind::EveryDay, -1, 17, 28, 34});
        } else {
            for (int d = 0; d < 7; ++d) {
                if (startsWith(item, kWeekdays[d])) {
                    lines.push_back({item, ExampleLine::Kind::Weekday, d, 17, 28, 34});
                }
            }
        }
    }
    return lines;
}

bool isTwoDigits(const std::string& t) {
    return t.size() == 2 && std::isdigit(static_cast<unsigned char>(t[0])) &&
           std::isdigit(static_cast<unsigned char>(t[1]));
}

bool isTime(const std::string& t) {
    return t.size() == 5 && std::isdigit(static_cast<unsigned char>(t[0])) &&
           std::isdigit(static_cast<unsigned char>(t[1])) && t[2] == ':' &&
           std::isdigit(static_cast<unsigned char>(t[3])) && std::isdigit(static_cast<unsigned char>(t[4])) &&
           std::stoi(t.substr(0, 2)) < 24 && std::stoi(t.substr(3, 2)) < 60;
}

int minuteOfDay(const std::string& t) {
    return std::stoi(t.substr(0, 2)) * 60 + std::stoi(t.substr(3, 2));
}

std::string describe(const DateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d", t.day, t.month, t.year, t.hour, t.minute);
    return buf;
}

/// A day of 2028 on which the line applies, and one on which it does not (none for every-day lines).
DateTime dayFor(const ExampleLine& line, bool applies) {
    // Sunday 2 January 2028 is weekday 0.
    if (line.kind == ExampleLine::Kind::Weekday) {
        return DateTime{2028, 1, 2 + (line.weekday + (applies ? 0 : 1)) % 7, 0, 0, 0};
    }
    if (line.kind == ExampleLine::Kind::Date) {
        const int day = std::stoi(line.column(6, 2));
        const int month = std::stoi(line.column(9, 2));
        return DateTime{2028, month, applies ? day : day % 28 + 1, 0, 0, 0};
    }
    return DateTime{2028, 3, 1, 0, 0, 0};
}

TEST(OutputScheduleSample, NeverSwitchesTheOutputsOnThroughALeapYear) {
    const std::string sample = kitSample();
    ASSERT_FALSE(sample.empty());
    const std::vector<ExampleLine> lines = exampleLines(sample);
    ASSERT_FALSE(lines.empty()) << "the sample shows no line of the format";

    // The minutes at which a line can change its answer: day bounds, each line's bounds and their
    // neighbours.
    std::set<int> minutes = {0, 1, 23 * 60 + 59};
    for (const ExampleLine& line : lines) {
        for (const std::string& t : {line.start(), line.end()}) {
            if (isTime(t)) {
                const int m = minuteOfDay(t);
                for (int near : {m - 1, m, m + 1}) {
                    if (near >= 0 && near < 24 * 60) {
                        minutes.insert(near);
                    }
                }
            }
        }
    }

    int days = 0;
    bool leapDaySeen = false;
    int switchedOn = 0;
    int decided = 0;
    std::ostringstream first;
    for (long long n = daysFromCivil(2028, 1, 1); n < daysFromCivil(2029, 1, 1); ++n) {
        DateTime now;
        civilFromDays(n, now.year, now.month, now.day);
        ++days;
        leapDaySeen = leapDaySeen || (now.month == 2 && now.day == 29);
        for (int m : minutes) {
            now.hour = m / 60;
            now.minute = m % 60;
            const std::optional<int> r = OutputSchedule::decide(sample, now);
            if (r.has_value()) {
                ++decided;
                switchedOn += *r == 1 ? 1 : 0;
                if (first.str().empty()) {
                    first << describe(now) << " decides " << *r;
                }
            }
        }
    }
    EXPECT_EQ(days, 366);
    EXPECT_TRUE(leapDaySeen);
    EXPECT_EQ(switchedOn, 0) << "the sample opens the doors by itself; first decision: " << first.str();
    EXPECT_EQ(decided, 0) << "an example line is active; first decision: " << first.str();
}

TEST(OutputScheduleSample, ShowsEveryKindOfLineInItsColumns) {
    const std::string sample = kitSample();
    // Written as the installations write it: Windows-1252, so the accented weekday names are one byte
    // each and the columns count bytes.
    EXPECT_FALSE(looksLikeUtf8(sample));
    EXPECT_EQ(utf8ToCp1252(fileTextToUtf8(sample)), sample);

    const std::vector<ExampleLine> lines = exampleLines(sample);
    bool dated = false;
    bool everyDay = false;
    std::set<int> weekdays;
    for (const ExampleLine& line : lines) {
        dated = dated || line.kind == ExampleLine::Kind::Date;
        everyDay = everyDay || line.kind == ExampleLine::Kind::EveryDay;
        if (line.kind == ExampleLine::Kind::Weekday) {
            weekdays.insert(line.weekday);
        }
        SCOPED_TRACE(cp1252ToUtf8(line.item));
        ASSERT_TRUE(isTime(line.start())) << "start \"" << line.start() << "\" not in its columns";
        ASSERT_TRUE(isTime(line.end())) << "end \"" << line.end() << "\" not in its columns";
        EXPECT_NE(line.column(line.markColumn, 1), "X");
        if (line.kind == ExampleLine::Kind::Date) {
            const std::string dd = line.column(6, 2);
            const std::string mm = line.column(9, 2);
            ASSERT_TRUE(isTwoDigits(dd) && isTwoDigits(mm) && line.column(8, 1) == "/")
                << "day and month in columns 6-7 and 9-10";
        }

        // With the mark written in its column the line decides on its own day, and only there.
        std::string marked = line.item;
        if (marked.size() < line.markColumn) {
            marked.resize(line.markColumn, ' ');
        }
        marked[line.markColumn - 1] = 'X';
        DateTime on = dayFor(line, true);
        const int from = minuteOfDay(line.start());
        const int to = minuteOfDay(line.end());
        on.hour = from / 60;
        on.minute = from % 60;
        EXPECT_EQ(OutputSchedule::decide(marked, on), from <= to ? 1 : 0) << describe(on);
        on.hour = to / 60;
        on.minute = to % 60;
        EXPECT_EQ(OutputSchedule::decide(marked, on), from <= to ? 1 : 0) << describe(on);
        if (line.kind != ExampleLine::Kind::EveryDay) {
            DateTime off = dayFor(line, false);
            off.hour = from / 60;
            off.minute = from % 60;
            EXPECT_EQ(OutputSchedule::decide(marked, off), std::nullopt) << describe(off);
        }
    }
    EXPECT_TRUE(dated) << "no \"Data\" line";
    EXPECT_TRUE(everyDay) << "no \"Orario\" line";
    EXPECT_EQ(weekdays.size(), 7u) << "a weekday is missing";
}

} // namespace
} // namespace sentinex
