#include "core/TextCodec.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(TextCodec, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_EQ(utf8ToCp1252(utf8), all);
    EXPECT_EQ(cp1252ToUtf8("\xB0\xA7"), "°§");
    EXPECT_EQ(cp1252ToUtf8("Luned\xEC"), "Lunedì");
    EXPECT_EQ(cp1252ToUtf8("\x80"), "€");
}

TEST(TextCodec, UnmappableAndBrokenTextBecomesQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("€ ok"), "\x80 ok");
    EXPECT_EQ(utf8ToCp1252("日本"), "??");
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");    // cut sequence
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "??"); // overlong form
}

TEST(TextCodec, FileTextIsTakenAsUtf8OnlyWhenItIsValidUtf8) {
    EXPECT_TRUE(looksLikeUtf8("Lunedì"));
    EXPECT_FALSE(looksLikeUtf8("plain ascii"));
    EXPECT_FALSE(looksLikeUtf8("Luned\xEC"));
    EXPECT_EQ(fileTextToUtf8("Luned\xEC"), "Lunedì");
    EXPECT_EQ(fileTextToUtf8("Lunedì"), "Lunedì");
    EXPECT_EQ(fileTextToUtf8("\xEF\xBB\xBFGiovedì"), "Giovedì");
}

TEST(TextCodec, TextsAreCutAndCountedByCharactersNeverInsideALetter) {
    const struct {
        const char* text;
        std::size_t count;
        const char* first;  // firstCharacters(text, count)
        const char* last;   // lastCharacters(text, count)
        std::size_t length; // characterCount(text)
    } cases[] = {
        {"CITTÀ ALTA", 8, "CITTÀ AL", "TTÀ ALTA", 10},
        {"COMUNITÀ X", 8, "COMUNITÀ", "MUNITÀ X", 10},
        {"perùgia1", 8, "perùgia1", "perùgia1", 8},
        {"àèìòù€", 3, "àèì", "òù€", 6},
        {"00001è", 4, "0000", "001è", 6},
        {"ABC", 8, "ABC", "ABC", 3},
        {"", 2, "", "", 0},
        {"ABC", 0, "", "", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(firstCharacters(c.text, c.count), c.first);
        EXPECT_EQ(lastCharacters(c.text, c.count), c.last);
        EXPECT_EQ(characterCount(c.text), c.length);
    }
}

} // namespace
} // namespace sentinex
