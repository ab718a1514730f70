#include "ReaderCommands.hpp"

#include "core/Clock.hpp"
#include "core/Numbers.hpp"

#include <cmath>

namespace sentinex {

namespace {

const char* flag(bool on) {
    return on ? "1" : "0";
}

char positionByte(std::int16_t p) {
    return static_cast<char>(static_cast<unsigned char>(0x80 + (p & 0x7F)));
}

std::string withoutColon(const std::string& time) {
    std::string out;
    for (char c : time) {
        if (c != ':') {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string ReaderCommands::prefix(std::int64_t address, std::int64_t siteCode) {
    return padLeftZeros(address, 2) + padLeftZeros(siteCode, 6);
}

std::string ReaderCommands::poll(const std::string& prefix) {
    return prefix + "D";
}

std::string ReaderCommands::grant(const std::string& prefix, bool output1, bool output2) {
    return prefix + "K1" + flag(output1) + "000100" + flag(output2);
}

std::string ReaderCommands::refuse(const std::string& prefix) {
    return prefix + "K000000000";
}

std::string ReaderCommands::unlock(const std::string& prefix, bool k1, bool k2) {
    return prefix + "K1" + flag(k1) + "000000" + flag(k2);
}

std::string ReaderCommands::setOutput(const std::string& prefix, std::int64_t value) {
    return prefix + "O0" + std::to_string(value);
}

std::string ReaderCommands::reset(std::int64_t address) {
    return "W" + padLeftZeros(address, 2) + "00";
}

std::string ReaderCommands::postResetPoll(std::int64_t address) {
    return padLeftZeros(address, 2) + "000000D";
}

std::string ReaderCommands::configure(const std::string& prefix, const std::string& siteCode,
                                      double openingSeconds, bool fourDigit) {
    std::string p = prefix + "A" + siteCode + "000" + padLeftZeros(roundHalfEven(openingSeconds * 2.0), 2);
    if (!fourDigit) {
        p += "00";
    }
    return p;
}

std::string ReaderCommands::options(const std::string& prefix, std::int64_t replyDelay,
                                    const std::string& readerType, bool riscriviRam, bool fasceOrarie,
                                    bool testInput) {
    const bool family0 = readerType == "TERA TR-Y1" || readerType == "TERA TR-X";
    return prefix + "N" + padLeftZeros(replyDelay, 2) + flag(!family0) + flag(!riscriviRam) +
           flag(fasceOrarie) + flag(testInput);
}

std::string ReaderCommands::clock(const std::string& prefix, const DateTime& now) {
    return prefix + "T" + padLeftZeros(now.minute, 2) + padLeftZeros(now.hour, 2) + padLeftZeros(now.day, 2) +
           padLeftZeros(now.month, 2) + padLeftZeros(now.year, 2);
}

std::string ReaderCommands::dataPositions(const std::string& prefix, const std::int16_t (&card)[4],
                                          const std::int16_t (&code)[6], bool fourDigit) {
    std::string p = prefix + "P";
    for (int i = 0; i < (fourDigit ? 4 : 3); ++i) {
        p += positionByte(card[i]);
    }
    for (std::int16_t c : code) {
        p += positionByte(c);
    }
    return p;
}

std::string ReaderCommands::timeBand(const std::string& prefix, int band, const std::string& start,
                                     const std::string& end) {
    return prefix + "F" + std::to_string(band) + withoutColon(start) + withoutColon(end);
}

std::string ReaderCommands::cardNumber(const std::string& card, bool fourDigit) {
    return rightAlign(card, fourDigit ? 4 : 3, '0');
}

std::string ReaderCommands::cardOptions(bool inputsAnd, bool checkInputs, bool input2On, bool input1On,
                                        int band, bool output1, bool output2) {
    std::string o;
    o += flag(inputsAnd);
    o += flag(!checkInputs);
    o += flag(input2On);
    o += flag(input1On);
    o += std::to_string(band >= 1 && band <= 3 ? band : 0);
    o += flag(output1);
    o += flag(output2);
    return o;
}

std::string ReaderCommands::storeCard(const std::string& prefix, const std::string& card, bool fourDigit,
                                      const std::string& options) {
    return prefix + "B" + cardNumber(card, fourDigit) + options;
}

std::string ReaderCommands::deleteCard(const std::string& prefix, const std::string& card, bool fourDigit) {
    return prefix + "C" + cardNumber(card, fourDigit);
}

std::string ReaderCommands::downloadStart(const std::string& prefix) {
    return prefix + "Q";
}

std::string ReaderCommands::nextTransit(const std::string& prefix) {
    return prefix + "S";
}

std::string ReaderCommands::clearMemory(const std::string& prefix) {
    return prefix + "E01";
}

std::string ReaderCommands::cardFileRecord(const std::string& prefix, const std::string& record) {
    return prefix + "L" + record;
}

} // namespace sentinex
