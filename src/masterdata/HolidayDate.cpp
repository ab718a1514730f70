#include "HolidayDate.hpp"

#include <cstdio>
#include <vector>

namespace sentinex {

namespace {

bool allDigits(const std::string& s) {
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !s.empty();
}

bool leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int month, int year) {
    static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year != 0 && !leap(year)) {
        return 28;
    }
    return days[month - 1];
}

} // namespace

std::optional<std::string> HolidayDate::normalize(const std::string& typed) {
    const std::size_t first = typed.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const std::string text = typed.substr(first, typed.find_last_not_of(' ') - first + 1);
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '/') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    if (parts.size() < 2 || parts.size() > 3 || parts[0].size() > 2 || parts[1].size() > 2 ||
        !allDigits(parts[0]) || !allDigits(parts[1])) {
        return std::nullopt;
    }
    int year = 0; // every year
    if (parts.size() == 3) {
        if (parts[2].size() != 4 || !allDigits(parts[2]) || std::stoi(parts[2]) < 1900) {
            return std::nullopt;
        }
        year = std::stoi(parts[2]);
    }
    const int day = std::stoi(parts[0]);
    const int month = std::stoi(parts[1]);
    if (month < 1 || month > 12 || day < 1 || day > daysIn(month, year)) {
        return std::nullopt;
    }
    char out[32];
    if (year == 0) {
        std::snprintf(out, sizeof out, "%02d/%02d", day, month);
    } else {
        std::snprintf(out, sizeof out, "%02d/%02d/%04d", day, month, year);
    }
    return std::string(out);
}

} // namespace sentinex
