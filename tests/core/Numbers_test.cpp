#include "core/Numbers.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace sentinex {
namespace {

TEST(Numbers, LeadingNumberReadsUntilTheNumberEnds) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0},    {"abc", 0},    {"  42", 42}, {"42abc", 42}, {"-7.5x", -7.5},
        {"+3", 3},  {"1E3", 1000}, {"12E", 12},  {"3.", 3},     {".5", 0.5},
        {"- 5", 0}, {"12 34", 12}, {"0012", 12}, {"\t9", 9},    {"300H", 300},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(Numbers, RoundHalfEvenGoesToTheEvenNeighbourAndSaturates) {
    const struct {
        double v;
        std::int64_t expected;
    } cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4999, 2},
        {2.5001, 3},
        {333.333, 333},
        {1e300, std::numeric_limits<std::int64_t>::max()},
        {-1e300, std::numeric_limits<std::int64_t>::min()},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundHalfEven(c.v), c.expected) << c.v;
    }
    EXPECT_EQ(wholeValue(" 2.5 persone"), 2);
}

TEST(Numbers, PaddingKeepsTheLastCharacters) {
    EXPECT_EQ(padLeftZeros(7, 2), "07");
    EXPECT_EQ(padLeftZeros(123, 2), "23");
    EXPECT_EQ(padLeftZeros(123, 6), "000123");
    EXPECT_EQ(padLeftZeros(-5, 3), "005");
    EXPECT_EQ(padLeftZeros(std::numeric_limits<std::int64_t>::min(), 3), "808");
    EXPECT_EQ(rightAlign("ab", 4, '0'), "00ab");
    EXPECT_EQ(rightAlign("abcdef", 4), "cdef");
    EXPECT_EQ(trim("  a b \t"), "a b");
    EXPECT_EQ(clampTo(70000, -32768, 32767), 32767);
    EXPECT_EQ(clampTo(-70000, -32768, 32767), -32768);
}

} // namespace
} // namespace sentinex
