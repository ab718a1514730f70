#include "core/Clock.hpp"
#include "link/ReaderCommands.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using RC = ReaderCommands;

TEST(ReaderCommands, PrefixPadsAndCuts) {
    EXPECT_EQ(RC::prefix(5, 42), "05000042");
    EXPECT_EQ(RC::prefix(105, 42), "05000042");
    EXPECT_EQ(RC::prefix(7, 1234567), "07234567");
    EXPECT_EQ(RC::prefix(0, 0), "00000000");
}

TEST(ReaderCommands, Payloads) {
    const std::string p = RC::prefix(5, 42);
    const std::int16_t card[4] = {0, 1, 2, 3};
    const std::int16_t code[6] = {4, 5, 6, 7, 8, 9};
    const std::string positions4 = "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89";
    const std::string positions3 = "\x80\x81\x82\x84\x85\x86\x87\x88\x89";
    struct Case {
        std::string built;
        std::string expected;
    } cases[] = {
        {RC::poll(p), "05000042D"},
        {RC::grant(p, true, false), "05000042K110001000"},
        {RC::grant(p, false, true), "05000042K100001001"},
        {RC::refuse(p), "05000042K000000000"},
        {RC::unlock(p, true, false), "05000042K110000000"},
        {RC::unlock(p, true, true), "05000042K110000001"},
        {RC::setOutput(p, 1), "05000042O01"},
        {RC::setOutput(p, 0), "05000042O00"},
        {RC::reset(105), "W0500"},
        {RC::postResetPoll(5), "05000000D"},
        {RC::configure("05000000", "000123", 3, true), "05000000A00012300006"},
        {RC::configure(p, "000123", 2.5, false), "05000042A0001230000500"},
        {RC::options(p, 3, "TERA TR-X", true, false, true), "05000042N030001"},
        {RC::options(p, 12, "NANO NN-K", false, true, false), "05000042N121110"},
        {RC::clock(p, DateTime{2027, 3, 1, 9, 5, 0}), "05000042T0509010327"},
        {RC::clock(p, DateTime{2026, 1, 4, 14, 30, 0}), "05000042T3014040126"},
        {RC::dataPositions(p, card, code, true), "05000042P" + positions4},
        {RC::dataPositions(p, card, code, false), "05000042P" + positions3},
        {RC::timeBand(p, 2, "08:00", "12:30"), "05000042F208001230"},
        {RC::storeCard(p, "0123", false, RC::cardOptions(false, false, true, false, 2, true, false)),
         "05000042B1230110210"},
        {RC::storeCard(p, "12", true, RC::cardOptions(true, true, false, true, 0, false, true)),
         "05000042B00121001001"},
        {RC::deleteCard(p, "12", false), "05000042C012"},
        {RC::downloadStart(p), "05000042Q"},
        {RC::nextTransit(p), "05000042S"},
        {RC::clearMemory(p), "05000042E01"},
        {RC::cardFileRecord(p, "\"007A1B2C3\""), "05000042L\"007A1B2C3\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.built, c.expected);
        EXPECT_EQ(c.built.find('\x05'), std::string::npos) << c.expected;
    }
}

TEST(ReaderCommands, CardNumberKeepsItsLastDigits) {
    EXPECT_EQ(RC::cardNumber("0123", false), "123");
    EXPECT_EQ(RC::cardNumber("12", false), "012");
    EXPECT_EQ(RC::cardNumber("12", true), "0012");
    EXPECT_EQ(RC::cardNumber("98765", true), "8765");
}

} // namespace
} // namespace sentinex
