#include "core/TextCodec.hpp"
#include "readers/OutputSchedule.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

// Lines in the file's column layout. Weekday and every-day lines: start in columns 17-21, end in 28-32,
// mark in 34. Date lines: day 6-7, month 9-10, start 25-29, end 36-40, mark 42.
std::string pad(std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s;
}
std::string dayLine(const std::string& name, const std::string& start, const std::string& end, char mark) {
    // Columns count characters: an accented name is one character shorter in UTF-8 bytes terms.
    const std::string single = utf8ToCp1252(name);
    return name + std::string(16 - single.size(), ' ') + start + std::string(6, ' ') + end + " " + mark;
}
std::string dateLine(const std::string& ddmm, const std::string& start, const std::string& end, char mark) {
    return pad("Data " + ddmm, 24) + start + std::string(6, ' ') + end + " " + mark;
}

// Monday 5 January 2026.
DateTime at(int hour, int minute, int day = 5, int month = 1) {
    return DateTime{2026, month, day, hour, minute, 0};
}

TEST(OutputSchedule, EveryDayLineSwitchesInsideItsBoundsInclusive) {
    const std::string file = dayLine("Orario", "08:00", "18:00", 'X') + "\r\n";
    const struct {
        int h, m;
        int expected;
    } cases[] = {{7, 59, 0}, {8, 0, 1}, {12, 30, 1}, {18, 0, 1}, {18, 1, 0}, {0, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(OutputSchedule::decide(file, at(c.h, c.m)), c.expected) << c.h << ":" << c.m;
    }
}

TEST(OutputSchedule, FirstApplicableActiveItemDecides) {
    const std::string file = "; commento\r\n" + dayLine("Orario", "00:00", "23:59", ' ') + "\r\n" +
                             dayLine("Martedì", "00:00", "23:59", 'X') + "\r\n" +
                             dayLine("Lunedì", "09:00", "10:00", 'x') + "\r\n" +
                             dayLine("Lunedì", "11:00", "12:00", 'X') + "\r\n" +
                             dayLine("Orario", "00:00", "23:59", 'X') + "\r\n";
    // Monday: the blank mark, Tuesday's line and the lower-case mark are skipped; 11-12 decides.
    EXPECT_EQ(OutputSchedule::decide(file, at(11, 30)), 1);
    EXPECT_EQ(OutputSchedule::decide(file, at(9, 30)), 0);
    // Tuesday 6 January: its own line decides before the every-day line.
    EXPECT_EQ(OutputSchedule::decide(file, at(3, 0, 6)), 1);
}

TEST(OutputSchedule, DateLinesMatchDayAndMonth) {
    const std::string file =
        dateLine("05/01", "10:00", "11:00", 'X') + "," + dayLine("Orario", "00:00", "23:59", 'X');
    EXPECT_EQ(OutputSchedule::decide(file, at(10, 30)), 1);
    EXPECT_EQ(OutputSchedule::decide(file, at(12, 0)), 0) << "the date line decides, not the later line";
    EXPECT_EQ(OutputSchedule::decide(file, at(12, 0, 6)), 1) << "another day: the every-day line";
    EXPECT_EQ(OutputSchedule::decide(dateLine("05/02", "10:00", "11:00", 'X'), at(10, 30)), std::nullopt);
}

TEST(OutputSchedule, WeekdaysByName) {
    const char* names[] = {"Domenica", "Lunedì", "Martedì", "Mercoledì", "Giovedì", "Venerdì", "Sabato"};
    for (int d = 0; d < 7; ++d) {
        const std::string file = dayLine(names[d], "00:00", "23:59", 'X');
        for (int day = 4; day <= 10; ++day) { // Sunday 4 .. Saturday 10 January 2026
            const auto r = OutputSchedule::decide(file, at(12, 0, day));
            EXPECT_EQ(r.has_value(), day - 4 == d) << names[d] << " on day " << day;
        }
        // The same file written by the installation in Windows-1252.
        EXPECT_EQ(OutputSchedule::decide(utf8ToCp1252(file), at(12, 0, 4 + d)), 1) << names[d];
    }
}

TEST(OutputSchedule, UnknownShortAndOddItemsNeverDecide) {
    const std::string lowerCase = dayLine("orario", "00:00", "23:59", 'X');
    const std::string unaccented = dayLine("Lunedi", "00:00", "23:59", 'X');
    EXPECT_EQ(OutputSchedule::decide(lowerCase + "\n" + unaccented, at(12, 0)), std::nullopt);
    EXPECT_EQ(OutputSchedule::decide("", at(12, 0)), std::nullopt);
    EXPECT_EQ(OutputSchedule::decide("Orario", at(12, 0)), std::nullopt) << "short item: mark column empty";
    EXPECT_EQ(OutputSchedule::decide(std::string("\0\xff\xfe,Data,,\r\r\n", 12), at(12, 0)), std::nullopt);
    // Leading blanks of an item are skipped, so columns count from its first letter.
    EXPECT_EQ(OutputSchedule::decide("   \t" + dayLine("Orario", "08:00", "18:00", 'X'), at(9, 0)), 1);
    // A comma inside a line ends the item: what follows is a new item.
    EXPECT_EQ(OutputSchedule::decide("Orario    , " + dayLine("Orario", "08:00", "18:00", 'X'), at(19, 0)),
              0);
    // An active item whose times are cut short compares against the empty text.
    std::string cut = dayLine("Orario", "08:00", "18:00", 'X');
    cut.replace(27, 5, "     ");
    EXPECT_EQ(OutputSchedule::decide(cut, at(9, 0)), 0);
}

TEST(OutputSchedule, MissingOrUnreadableFileDecidesNothing) {
    testing::TempDir dir;
    EXPECT_EQ(OutputSchedule::decideFile(dir.file("Date.txt"), at(12, 0)), std::nullopt);
    EXPECT_EQ(OutputSchedule::decideFile(dir.path(), at(12, 0)), std::nullopt);
    dir.write("Date.txt", dayLine("Orario", "08:00", "18:00", 'X') + "\r\n");
    EXPECT_EQ(OutputSchedule::decideFile(dir.file("Date.txt"), at(12, 0)), 1);
}

TEST(OutputSchedule, KitSampleDecidesNothingOnAnOrdinaryDay) {
    const std::string sample = testing::TempDir::read(std::string(SENTINEX_SOURCE_DIR) + "/kit/Date.txt");
    ASSERT_FALSE(sample.empty());
    EXPECT_EQ(OutputSchedule::decide(sample, at(12, 0)), std::nullopt);
    EXPECT_EQ(OutputSchedule::decide(sample, at(12, 0, 25, 12)), std::nullopt) << "no example line is active";
}

} // namespace
} // namespace sentinex
