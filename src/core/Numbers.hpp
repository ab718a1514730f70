#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

/// The leading decimal number of a text (leading blanks skipped, sign and fraction allowed, reading
/// stops at the first character that cannot continue it); 0 when there is none.
double leadingNumber(const std::string& text);
/// Nearest whole number, halves to the even neighbour, saturated to the 64-bit range.
std::int64_t roundHalfEven(double v);
/// `v` clamped to [lo, hi].
std::int64_t clampTo(std::int64_t v, std::int64_t lo, std::int64_t hi);
/// The numeric value of a text as a whole number: leadingNumber, halves to even.
inline std::int64_t wholeValue(const std::string& text) {
    return roundHalfEven(leadingNumber(text));
}
/// The last `width` characters of `width` zeros followed by the decimal text of `n` (no sign):
/// padLeftZeros(7, 2) = "07", padLeftZeros(123, 2) = "23".
std::string padLeftZeros(std::int64_t n, int width);
/// The last `width` characters of `width` copies of `fill` followed by `text`.
std::string rightAlign(const std::string& text, std::size_t width, char fill = ' ');
/// Leading and trailing blanks removed.
std::string trim(const std::string& text);

} // namespace sentinex
