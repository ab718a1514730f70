#include "link/Frame.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) {
        s += static_cast<char>(b);
    }
    return s;
}

/// A reply as a reader sends it: start byte 02, body, 05 and the reply check byte.
std::string reply(const std::string& body) {
    std::string r = "\x02" + body + "\x05";
    return r + Frame::replyCheck(r);
}

TEST(Frame, WorkedExamplesByteForByte) {
    EXPECT_EQ(Frame::buildRequest("01000123D"),
              bytes({0x01, 0x30, 0x31, 0x30, 0x30, 0x30, 0x31, 0x32, 0x33, 0x44, 0x05, 0x41}));
    EXPECT_EQ(Frame::buildRequest("01000123O01"),
              bytes({0x01, 0x30, 0x31, 0x30, 0x30, 0x30, 0x31, 0x32, 0x33, 0x4F, 0x30, 0x31, 0x05, 0x4B}));
}

TEST(Frame, RequestCheckByteSubstitutions) {
    // 01 ^ 05 ^ payload: "AD" gives a raw 01, "A@" a raw 05, "AE" a raw 00, "B" a raw 46.
    struct Case {
        const char* payload;
        int check;
    } cases[] = {{"AD", 0x02}, {"A@", 0x06}, {"AE", 0x00}, {"B", 0x46}, {"AG", 0x02 ^ 0x00}};
    // The last row: 01^05^41^47 = 02, which a request sends unchanged.
    for (const auto& c : cases) {
        const std::string frame = Frame::buildRequest(c.payload);
        EXPECT_EQ(static_cast<unsigned char>(frame.back()), c.check) << c.payload;
        EXPECT_EQ(frame.substr(0, frame.size() - 1), std::string("\x01") + c.payload + "\x05");
    }
}

TEST(Frame, PositionBytesTravelUnchanged) {
    const std::string payload =
        "05000042P" + bytes({0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89});
    const std::string frame = Frame::buildRequest(payload);
    EXPECT_EQ(frame.substr(1, payload.size()), payload);
    unsigned char x = 0;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        x ^= static_cast<unsigned char>(frame[i]);
    }
    EXPECT_EQ(static_cast<unsigned char>(frame.back()), x == 1 ? 2 : x == 5 ? 6 : x);
}

TEST(Frame, ReplyCheckByteSubstitutions) {
    // Reply raw XOR = 05 ^ 02 ^ body, bodies chosen for the raw values 02, 05, 01 and 00.
    struct Case {
        std::string body;
        int raw;
        int sent;
    } cases[] = {
        {"AD", 0x02, 0x03},          // raw 02 travels as 03
        {bytes({0x02}), 0x05, 0x06}, // raw 05 travels as 06
        {bytes({0x06}), 0x01, 0x01}, // a reply keeps 01 (only requests avoid it)
        {bytes({0x07}), 0x00, 0x00},
    };
    for (const auto& c : cases) {
        const std::string partial = "\x02" + c.body + "\x05";
        EXPECT_EQ(Frame::accumulator(partial), c.raw);
        EXPECT_EQ(static_cast<unsigned char>(Frame::replyCheck(partial)), c.sent);
        EXPECT_TRUE(Frame::acceptReply(partial + static_cast<char>(c.sent)));
        if (c.raw != c.sent) {
            EXPECT_FALSE(Frame::acceptReply(partial + static_cast<char>(c.raw)))
                << "unsubstituted check accepted";
        }
    }
}

TEST(Frame, AcceptanceRule) {
    const std::string good = reply("01S");
    std::string badCheck = good;
    badCheck.back() = static_cast<char>(badCheck.back() ^ 0x10);
    // Ends in 05 without check byte: accepted only when the plain accumulator is 00.
    const std::string zeroAcc = bytes({0x02, 0x07, 0x05});
    const std::string nonZeroAcc = bytes({0x02, 0x08, 0x05});
    struct Case {
        std::string received;
        bool accepted;
    } cases[] = {
        {good, true},
        {reply("01I0100" + bytes({0x80, 0xFF, 0xA5, 0x00})), true},
        {badCheck, false},
        {good.substr(0, good.size() - 1), false}, // check byte cut off (accumulator not 00)
        {good.substr(0, good.size() - 2), false}, // end byte cut off too
        {zeroAcc, true},
        {nonZeroAcc, false},
        {"", false},
        {"\x05", false},      // accumulator 05
        {"AB" + good, false}, // stray bytes before the reply spoil the check byte
        {good + "x", false},  // trailing byte: second-last is not 05
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Frame::acceptReply(c.received), c.accepted) << ::testing::PrintToString(c.received);
    }
}

TEST(Frame, CollectionEndsWhenSecondLastByteIsEnd) {
    EXPECT_TRUE(Frame::replyComplete(reply("01S")));
    EXPECT_FALSE(Frame::replyComplete("\x02"
                                      "01S\x05"));
    EXPECT_FALSE(Frame::replyComplete("\x05"));
    EXPECT_FALSE(Frame::replyComplete(""));
}

} // namespace
} // namespace sentinex
