#include "CardNumber.hpp"

#include <algorithm>

namespace sentinex {

bool CardNumber::isValid(const std::string& typed) {
    return !typed.empty() && typed.size() <= 4 &&
           std::all_of(typed.begin(), typed.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string CardNumber::normalised(const std::string& typed) {
    const std::string padded = "0000" + typed;
    return padded.substr(padded.size() - 4);
}

} // namespace sentinex
