#include "masterdata/CardNumber.hpp"
#include "masterdata/UserRecord.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

TEST(CardNumberTest, OnlyOneToFourDigitsPass) {
    struct Case {
        const char* typed;
        bool valid;
    };
    const Case cases[] = {{"7", true},    {"0012", true}, {"9999", true}, {"", false},   {"12345", false},
                          {" 12", false}, {"12 ", false}, {"-1", false},  {"+1", false}, {"1.5", false},
                          {"1e3", false}, {"&H1", false}, {"abc", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(CardNumber::isValid(c.typed), c.valid) << "'" << c.typed << "'";
    }
}

TEST(CardNumberTest, PaddedOnTheLeftToFourCharacters) {
    EXPECT_EQ(CardNumber::normalised("7"), "0007");
    EXPECT_EQ(CardNumber::normalised("12"), "0012");
    EXPECT_EQ(CardNumber::normalised("012"), "0012");
    EXPECT_EQ(CardNumber::normalised("1234"), "1234");
}

TEST(UserRecordTest, ReaderTextRoundTripsAndShortTextsLeaveTheRestOff) {
    UserRecord user;
    user.readerFlags[1] = 1;
    user.readerFlags[63] = 1;
    const std::string text = user.readerText();
    ASSERT_EQ(text.size(), 64u);
    EXPECT_EQ(text, "01" + std::string(61, '0') + "1");
    EXPECT_EQ(UserRecord::readerFlagsOf(text), user.readerFlags);

    // An older installation's shorter text: missing positions are not enabled; odd characters read 0.
    const auto flags = UserRecord::readerFlagsOf("1x1");
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[1], 0);
    EXPECT_EQ(flags[2], 1);
    for (std::size_t k = 3; k < flags.size(); ++k) {
        EXPECT_EQ(flags[k], 0) << k;
    }
}

TEST(UserRecordTest, NewUserDefaults) {
    const UserRecord user = UserRecord::newUser();
    EXPECT_TRUE(user.cardEnabled);
    EXPECT_TRUE(user.online);
    EXPECT_TRUE(user.output1);
    EXPECT_TRUE(user.output2);
    EXPECT_FALSE(user.checkInputs);
    EXPECT_FALSE(user.inputsAnd);
    EXPECT_TRUE(user.input1On);
    EXPECT_TRUE(user.input2On);
    EXPECT_FALSE(user.bandsApply);
    EXPECT_EQ(user.standAloneBand, 0);
    EXPECT_EQ(user.readerText(), std::string(64, '0'));
}

} // namespace
} // namespace sentinex
