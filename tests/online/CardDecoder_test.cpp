#include "online/CardDecoder.hpp"
#include "online/StepContext.hpp"
#include "support/OnlineFakeBus.hpp"

#include "readers/ReaderEntry.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

ReaderEntry reader(const char* type = "TERA TR-Y1") {
    ReaderEntry e;
    e.type = type;
    e.address = 5;
    e.siteCode = 1234;
    for (int i = 0; i < 4; ++i) {
        e.posCarta[i] = static_cast<std::int16_t>(i);
    }
    for (int i = 0; i < 6; ++i) {
        e.posCodice[i] = static_cast<std::int16_t>(4 + i);
    }
    return e;
}

TEST(CardDecoderTest, CardNumberInBothDigitModes) {
    const std::string reply = OnlineFakeBus::cardReply("1234001234");
    EXPECT_EQ(CardDecoder::decode(reply, reader(), false).cardNumber, "0123");
    EXPECT_EQ(CardDecoder::decode(reply, reader(), true).cardNumber, "1234");

    // Positions pick characters in the configured order: position p is reply character p + 9.
    ReaderEntry e = reader();
    e.posCarta[0] = 3;
    e.posCarta[1] = 1;
    e.posCarta[2] = 0;
    e.posCarta[3] = 2;
    EXPECT_EQ(CardDecoder::decode(reply, e, false).cardNumber, "0421");
    EXPECT_EQ(CardDecoder::decode(reply, e, true).cardNumber, "4213");
}

TEST(CardDecoderTest, SiteCodeAndInputs) {
    const DecodedCard d =
        CardDecoder::decode(OnlineFakeBus::cardReply("9876543210", '1', '0'), reader(), true);
    EXPECT_EQ(d.siteCode, "543210");
    EXPECT_EQ(d.input1, 1);
    EXPECT_EQ(d.input2, 0);
    // Non-digit input characters read as 0.
    const DecodedCard x =
        CardDecoder::decode(OnlineFakeBus::cardReply("9876543210", 'x', '1'), reader(), true);
    EXPECT_EQ(x.input1, 0);
    EXPECT_EQ(x.input2, 1);
}

TEST(CardDecoderTest, ShortRepliesReadEmptyPastTheEnd) {
    // A reply cut after the code: no inputs, no card data; nothing read past the end.
    for (const std::string& reply : {std::string(), std::string("\x02"),
                                     std::string("\x02"
                                                 "01I"),
                                     std::string("\x02"
                                                 "01I0"),
                                     std::string("\x02"
                                                 "01I01")}) {
        const DecodedCard d = CardDecoder::decode(reply, reader(), false);
        EXPECT_EQ(d.cardNumber, "0");
        EXPECT_EQ(d.input1, reply.size() >= 6 ? 1 : 0);
        EXPECT_EQ(d.input2, 0);
        EXPECT_EQ(d.siteCode, "");
        StepContext ctx;
        ctx.setReply(reply);
        EXPECT_EQ(ctx.cardData, "");
    }
    // Far positions give a shorter card number, which then finds no record.
    ReaderEntry e = reader();
    e.posCarta[2] = 99;
    EXPECT_EQ(CardDecoder::decode(OnlineFakeBus::cardReply("1234"), e, false).cardNumber, "012");
    // Positions below zero designate nothing.
    e.posCarta[2] = -20;
    EXPECT_EQ(CardDecoder::decode(OnlineFakeBus::cardReply("1234"), e, false).cardNumber, "012");
}

TEST(CardDecoderTest, ContextPrefixAndCardData) {
    ReaderEntry e = reader();
    StepContext ctx = StepContext::forReader(3, e);
    EXPECT_EQ(ctx.prefix, "05001234");
    e.address = 123;
    e.siteCode = 98765432;
    e.location = "  Atrio  ";
    ctx = StepContext::forReader(3, e);
    EXPECT_EQ(ctx.prefix, "23765432");
    EXPECT_EQ(ctx.siteText, "765432");
    EXPECT_EQ(ctx.reader.address, 123); // the exchange names the reader, whatever the prefix keeps
    EXPECT_EQ(ctx.reader.loop, e.loop);
    EXPECT_EQ(ctx.location, "Atrio");
    ctx.setReply(OnlineFakeBus::cardReply("ABCDEF"));
    EXPECT_EQ(ctx.cardData, "ABCDEF");
    EXPECT_EQ(CardDecoder::vireoCode(ctx.cardData), "ABCDEF");
    EXPECT_EQ(CardDecoder::vireoCode("ABC"), "ABC");
}

} // namespace
} // namespace sentinex
