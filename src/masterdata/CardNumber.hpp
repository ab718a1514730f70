#pragma once

#include <string>

namespace sentinex {

/// The card number as typed in the users form and as stored in `Carte.NumeroCarta`.
class CardNumber {
public:
    /// One to four decimal digits. Blanks, signs and decimal points are refused: the rest of the system
    /// compares card numbers as four-character texts of digits.
    static bool isValid(const std::string& typed);
    /// The last four characters of "0000" followed by the typed text: 7 gives 0007.
    static std::string normalised(const std::string& typed);
};

} // namespace sentinex
