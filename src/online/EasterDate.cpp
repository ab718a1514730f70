#include "EasterDate.hpp"

namespace sentinex {

DateTime EasterDate::sunday(int year) {
    // The anonymous Gregorian computus (Meeus/Jones/Butcher): exact for every Gregorian year.
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    DateTime easter;
    easter.year = year;
    easter.month = (h + l - 7 * m + 114) / 31;
    easter.day = (h + l - 7 * m + 114) % 31 + 1;
    return easter;
}

DateTime EasterDate::monday(int year) {
    const DateTime easter = sunday(year);
    DateTime monday;
    civilFromDays(
        daysFromCivil(easter.year, static_cast<unsigned>(easter.month), static_cast<unsigned>(easter.day)) +
            1,
        monday.year, monday.month, monday.day);
    return monday;
}

} // namespace sentinex
