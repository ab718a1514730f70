#include "admin/PasswordCodec.hpp"

#include "core/TextCodec.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

/// Windows-1252 bytes as the UTF-8 text the profile file hands over.
std::string cp(const std::string& bytes) {
    return cp1252ToUtf8(bytes);
}

struct RoundTrip {
    const char* name;
    std::string clear;  // UTF-8
    std::string stored; // Windows-1252 bytes as they are in the file
};

class PasswordCodecRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(PasswordCodecRoundTrip, EncodesToTheStoredBytesAndBack) {
    const RoundTrip& c = GetParam();
    ASSERT_EQ(PasswordCodec::refusal(c.clear), "");
    const std::string encoded = PasswordCodec::encode(c.clear);
    EXPECT_EQ(utf8ToCp1252(encoded), c.stored);
    const auto decoded = PasswordCodec::decode(cp(c.stored));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, c.clear);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordCodecRoundTrip,
    ::testing::Values(RoundTrip{"abc", "abc",
                                "\xB0\xB0\xB0"
                                "bdf"
                                "\xA7\xA7\xA7"},
                      RoundTrip{"empty", "", "\xB0\xB0\xB0\xA7\xA7\xA7"},
                      // 16 characters: the last one moves up by 16 ('0' + 16 = '@').
                      RoundTrip{"sixteen", "0000000000000000",
                                "\xB0\xB0\xB0"
                                "123456789:;<=>?@"
                                "\xA7\xA7\xA7"},
                      RoundTrip{"caseAndBlank", "A b",
                                "\xB0\xB0\xB0"
                                "B\"e"
                                "\xA7\xA7\xA7"},
                      // Accented letters are single Windows-1252 codes: "è" is E8, moved up by 1 to E9 ("é").
                      RoundTrip{"accented", "\xC3\xA8", "\xB0\xB0\xB0\xE9\xA7\xA7\xA7"},
                      // "~" (7E) at position 3 lands on 81, a byte Windows leaves undefined: it must survive.
                      RoundTrip{"undefinedByte", "ab~",
                                "\xB0\xB0\xB0"
                                "bd\x81"
                                "\xA7\xA7\xA7"},
                      // The last code that fits: FE at position 1 gives FF.
                      RoundTrip{"highestCode", "\xC3\xBE", "\xB0\xB0\xB0\xFF\xA7\xA7\xA7"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordCodecTest, SixteenCharactersAreStoredAsTwentyTwo) {
    const std::string password = "Abcdefghijklmno1";
    ASSERT_EQ(password.size(), 16u);
    EXPECT_EQ(PasswordCodec::refusal(password), "");
    EXPECT_EQ(utf8ToCp1252(PasswordCodec::encode(password)).size(), 22u);
    EXPECT_EQ(PasswordCodec::decode(PasswordCodec::encode(password)), password);
}

TEST(PasswordCodecTest, NoPasswordIsTheBareMarkers) {
    EXPECT_EQ(utf8ToCp1252(PasswordCodec::noPassword()), "\xB0\xB0\xB0\xA7\xA7\xA7");
    EXPECT_EQ(PasswordCodec::encode(""), PasswordCodec::noPassword());
}

struct Refused {
    const char* name;
    std::string password; // UTF-8
    std::string shouldMention;
};

class PasswordCodecRefusal : public ::testing::TestWithParam<Refused> {};

TEST_P(PasswordCodecRefusal, SaysWhyInsteadOfStoringSomethingElse) {
    const Refused& c = GetParam();
    const std::string why = PasswordCodec::refusal(c.password);
    ASSERT_NE(why, "");
    EXPECT_NE(why.find(c.shouldMention), std::string::npos) << why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordCodecRefusal,
    ::testing::Values(Refused{"seventeen", std::string(17, 'a'), "al massimo 16 caratteri"},
                      // "ÿ" is FF: at position 1 it would need code 100.
                      Refused{"ffAtFirst", "\xC3\xBF", "Il carattere \"\xC3\xBF\" in posizione 1"},
                      // "ú" is FA: fine at position 5 (FF), refused at position 6 (100).
                      Refused{"faAtSixth", "abcde\xC3\xBA", "in posizione 6"},
                      // "ł" has no Windows-1252 code at all.
                      Refused{"outsideCodePage", "a\xC5\x82", "Il carattere \"\xC5\x82\" in posizione 2"},
                      Refused{"controlCode", "ab\tc", "in posizione 3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordCodecTest, TheLastCodeThatFitsAtEachPositionIsAccepted) {
    // Code 0xFF - i at position i fits; one more does not.
    for (std::size_t i = 1; i <= PasswordCodec::MaxLength; ++i) {
        std::string fits(i - 1, 'a');
        fits += static_cast<char>(0xFF - i);
        EXPECT_EQ(PasswordCodec::refusal(cp(fits)), "") << "position " << i;
        EXPECT_EQ(PasswordCodec::decode(PasswordCodec::encode(cp(fits))), cp(fits)) << "position " << i;
        std::string over(i - 1, 'a');
        over += static_cast<char>(0xFF - i + 1);
        EXPECT_NE(PasswordCodec::refusal(cp(over)), "") << "position " << i;
    }
}

struct Malformed {
    const char* name;
    std::string stored; // Windows-1252 bytes
};

class PasswordCodecMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(PasswordCodecMalformed, IsNotDecoded) {
    EXPECT_FALSE(PasswordCodec::decode(cp(GetParam().stored)).has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, PasswordCodecMalformed,
                         ::testing::Values(Malformed{"empty", ""},
                                           Malformed{"shorterThanSix", "\xB0\xB0\xA7\xA7\xA7"},
                                           Malformed{"clearText", "password"},
                                           Malformed{"twoStartMarks", "\xB0\xB0"
                                                                      "bdf"
                                                                      "\xA7\xA7\xA7"},
                                           Malformed{"twoEndMarks", "\xB0\xB0\xB0"
                                                                    "bdf"
                                                                    "\xA7\xA7"},
                                           Malformed{"swappedMarks", "\xA7\xA7\xA7"
                                                                     "bdf"
                                                                     "\xB0\xB0\xB0"},
                                           // A UTF-8 file holding the markers as two-byte sequences is read
                                           // as text, not as the bytes: "Â°" is not "°".
                                           Malformed{"markersAsUtf8Bytes", "\xC2\xB0\xC2\xB0\xC2\xB0"
                                                                           "bdf"
                                                                           "\xC2\xA7\xC2\xA7\xC2\xA7"},
                                           // Code 01 at position 2 would move down below 1.
                                           Malformed{"belowCodeOne", "\xB0\xB0\xB0"
                                                                     "b\x01"
                                                                     "\xA7\xA7\xA7"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace sentinex
