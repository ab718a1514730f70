#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

struct DateTime;

/// Payloads of every request a reader understands. Numbers are written zero-padded on the left and
/// cut to their fixed width (padLeftZeros). Payloads never contain the end byte 05.
class ReaderCommands {
public:
    /// Two-digit address + six-digit site code: prefix(5, 42) = "05000042", prefix(105, 1) = "05000001".
    static std::string prefix(std::int64_t address, std::int64_t siteCode);

    /// Poll: prefix + "D".
    static std::string poll(const std::string& prefix);
    /// Grant: prefix + "K1" + output 1 flag + "000100" + output 2 flag.
    static std::string grant(const std::string& prefix, bool output1, bool output2);
    /// Refuse / release: prefix + "K000000000".
    static std::string refuse(const std::string& prefix);
    /// Unlock by hand: prefix + "K1" + k1 + "000000" + k2 (the "TastieraOutput1/2" settings).
    static std::string unlock(const std::string& prefix, bool k1, bool k2);
    /// Set output: prefix + "O0" + value in decimal.
    static std::string setOutput(const std::string& prefix, std::int64_t value);
    /// Reset: "W" + two-digit address + "00" (no site code).
    static std::string reset(std::int64_t address);
    /// Poll of a reset reader: two-digit address + "000000D".
    static std::string postResetPoll(std::int64_t address);
    /// Configure: prefix + "A" + site code text + "000" + opening value (twice the opening time in
    /// seconds, two digits) + "00" when the four-digit card mode is off.
    static std::string configure(const std::string& prefix, const std::string& siteCode,
                                 double openingSeconds, bool fourDigit);
    /// Options: prefix + "N" + reply delay (two digits) + reader family flag ("0" for "TERA TR-Y1" and
    /// "TERA TR-X", "1" otherwise) + RAM rewrite flag ("0" when ticked) + time bands flag + input test flag.
    static std::string options(const std::string& prefix, std::int64_t replyDelay,
                               const std::string& readerType, bool riscriviRam, bool fasceOrarie,
                               bool testInput);
    /// Clock: prefix + "T" + minutes, hours, day, month, two-digit year.
    static std::string clock(const std::string& prefix, const DateTime& now);
    /// Data positions: prefix + "P" + one byte 80h+p per card-number position (the first three only
    /// when four-digit mode is off) + one per site-code position. Positions 0..127.
    static std::string dataPositions(const std::string& prefix, const std::int16_t (&card)[4],
                                     const std::int16_t (&code)[6], bool fourDigit);
    /// Time band: prefix + "F" + band number + start HHMM + end HHMM (times given as "HH:MM").
    static std::string timeBand(const std::string& prefix, int band, const std::string& start,
                                const std::string& end);
    /// Card number as it travels: left-padded with "0", its last four (four-digit mode) or three digits.
    static std::string cardNumber(const std::string& card, bool fourDigit);
    /// The seven option characters of Store card: input combination ("1" And), input check ("0" when
    /// checked), input 2 level, input 1 level, stand-alone band (0..3), output 1, output 2.
    static std::string cardOptions(bool inputsAnd, bool checkInputs, bool input2On, bool input1On, int band,
                                   bool output1, bool output2);
    /// Store card: prefix + "B" + card number + seven option characters.
    static std::string storeCard(const std::string& prefix, const std::string& card, bool fourDigit,
                                 const std::string& options);
    /// Delete card: prefix + "C" + card number.
    static std::string deleteCard(const std::string& prefix, const std::string& card, bool fourDigit);
    /// Download start: prefix + "Q".
    static std::string downloadStart(const std::string& prefix);
    /// Next stored transit: prefix + "S".
    static std::string nextTransit(const std::string& prefix);
    /// Clear transit memory: prefix + "E01".
    static std::string clearMemory(const std::string& prefix);
    /// Card file record: prefix + "L" + record.
    static std::string cardFileRecord(const std::string& prefix, const std::string& record);
};

} // namespace sentinex
