#pragma once

#include <array>
#include <string>

namespace sentinex {

/// The 28 interval times and 7 day flags of a named online band, and of every user's copy of it.
/// Time index = day * 4 + slot, day 0 Monday .. 6 Sunday, slot 0 first-from, 1 first-to, 2 second-from,
/// 3 second-to, as the fields `Lun_1_da`, `Lun_1_a`, `Lun_2_da`, `Lun_2_a`, ... `Dom_2_a` follow.
struct BandTimes {
    static constexpr int Days = 7;
    static constexpr int TimesPerDay = 4;
    static constexpr int TimeCount = Days * TimesPerDay;

    std::array<std::string, TimeCount> times;
    std::array<bool, Days> days{};

    /// Every time "##:##" and every day False: a user without a band, a new band.
    static BandTimes unset();
    /// Field name of time `index` ("Lun_1_da" for 0, "Dom_2_a" for 27).
    static std::string timeField(int index);
    /// Field name of day flag `day` ("Lunedi" .. "Domenica", without accents).
    static std::string dayField(int day);

    bool operator==(const BandTimes&) const = default;
};

} // namespace sentinex
