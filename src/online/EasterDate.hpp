#pragma once

#include "core/Clock.hpp"

namespace sentinex {

/// Easter in the Gregorian calendar, for the holidays that move with it.
class EasterDate {
public:
    /// Easter Sunday of `year` (a Gregorian year, 1583 or later), at 00:00.
    static DateTime sunday(int year);
    /// Easter Monday ("Pasquetta"), the day after Easter Sunday, at 00:00.
    static DateTime monday(int year);
};

} // namespace sentinex
