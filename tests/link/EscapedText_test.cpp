#include "link/EscapedText.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(EscapedTextTest, EveryByteSurvivesTheRoundTripAsOnePrintableWord) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string word = escapeBytes(all);
    for (char c : word) {
        const auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u > 0x20 && u < 0x7F && c != ',' && c != '=') << "byte " << int(u) << " in the word";
    }
    EXPECT_EQ(unescapeBytes(word), all);
    EXPECT_EQ(escapeBytes("01\x05 A,=\\"), "01\\x05\\x20A\\x2C\\x3D\\x5C");
}

TEST(EscapedTextTest, CStyleEscapesAndBadOnes) {
    struct Case {
        const char* text;
        std::optional<std::string> bytes;
    } cases[] = {
        {"01000123D", std::string("01000123D")},
        {"P\\x80\\x8a", std::string("P\x80\x8a")},
        {"\\x5", std::string("\x05")},
        {"a\\\\b\\r\\n\\t", std::string("a\\b\r\n\t")},
        {"trailing\\", std::nullopt},
        {"\\xZZ", std::nullopt},
        {"\\q", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unescapeBytes(c.text), c.bytes) << c.text;
    }
}

} // namespace
} // namespace sentinex
