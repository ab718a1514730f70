#pragma once

#include <string>

namespace sentinex {

struct ReaderEntry;

/// What the card data of a poll reply says, cut at the reader's configured positions.
struct DecodedCard {
    /// Four characters for a complete reply (fewer when positions fall past its end).
    std::string cardNumber;
    int input1 = 0;
    int input2 = 0;
    /// Characters at `PosCodice1` to `PosCodice6`.
    std::string siteCode;
};

/// Cuts card number, input states and site code out of a poll reply. Pure: no lookups.
class CardDecoder {
public:
    /// Reader type whose cards are identified through the Vireo card file.
    static constexpr const char* VireoType = "TERA TR-X";

    /// Character of the reply at 1-based position `pos`, or the empty text past either end.
    static std::string charAt(const std::string& reply, long pos);
    /// The character that configured position p designates: reply position p + 9.
    static std::string positioned(const std::string& reply, long p) { return charAt(reply, p + 9); }
    /// Numeric value of reply character `pos` (6 or 7): its digit, 0 when it is missing or not a digit.
    static int inputState(const std::string& reply, long pos);

    /// Card number from `PosCarta1` to `PosCarta3` (and `PosCarta4` in four-digit mode, otherwise a
    /// leading "0"), input states and site code. For the Vireo type the card number is left empty: it
    /// comes from the card file (see vireoCode).
    static DecodedCard decode(const std::string& reply, const ReaderEntry& entry, bool fourDigits);
    /// The six-character card code of a Vireo reader: characters 1 to 6 of the card data (fewer when
    /// the data is shorter; the frame's end and check bytes never become part of the code).
    static std::string vireoCode(const std::string& cardData) { return cardData.substr(0, 6); }
};

} // namespace sentinex
