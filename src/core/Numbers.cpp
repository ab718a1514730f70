#include "Numbers.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace sentinex {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

double leadingNumber(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && isBlank(text[i])) {
        ++i;
    }
    const std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only when digits follow it ("1E5"); "12E" stops before the E.
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    const std::string number = text.substr(start, i - start);
    const double v = std::strtod(number.c_str(), nullptr);
    return std::isnan(v) ? 0.0 : v;
}

std::int64_t roundHalfEven(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double two63 = 9223372036854775808.0;
    if (v >= two63) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (v < -two63) {
        return std::numeric_limits<std::int64_t>::min();
    }
    double whole = std::floor(v);
    const double frac = v - whole;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    if (whole >= two63) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return static_cast<std::int64_t>(whole);
}

std::int64_t clampTo(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    if (v < lo) {
        return lo;
    }
    if (v > hi) {
        return hi;
    }
    return v;
}

std::string padLeftZeros(std::int64_t n, int width) {
    if (width <= 0) {
        return {};
    }
    const std::uint64_t magnitude =
        n < 0 ? static_cast<std::uint64_t>(-(n + 1)) + 1u : static_cast<std::uint64_t>(n);
    std::string digits = std::to_string(magnitude);
    const auto w = static_cast<std::size_t>(width);
    if (digits.size() >= w) {
        return digits.substr(digits.size() - w);
    }
    return std::string(w - digits.size(), '0') + digits;
}

std::string rightAlign(const std::string& text, std::size_t width, char fill) {
    if (text.size() >= width) {
        return text.substr(text.size() - width);
    }
    return std::string(width - text.size(), fill) + text;
}

std::string trim(const std::string& text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) {
        ++b;
    }
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) {
        --e;
    }
    return text.substr(b, e - b);
}

} // namespace sentinex
