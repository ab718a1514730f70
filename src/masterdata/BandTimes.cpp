#include "BandTimes.hpp"

namespace sentinex {

namespace {
constexpr const char* DayPrefixes[BandTimes::Days] = {"Lun", "Mar", "Mer", "Gio", "Ven", "Sab", "Dom"};
constexpr const char* DayFlags[BandTimes::Days] = {"Lunedi",  "Martedi", "Mercoledi", "Giovedi",
                                                   "Venerdi", "Sabato",  "Domenica"};
constexpr const char* SlotSuffixes[BandTimes::TimesPerDay] = {"_1_da", "_1_a", "_2_da", "_2_a"};
} // namespace

BandTimes BandTimes::unset() {
    BandTimes band;
    band.times.fill("##:##");
    band.days.fill(false);
    return band;
}

std::string BandTimes::timeField(int index) {
    return std::string(DayPrefixes[index / TimesPerDay]) + SlotSuffixes[index % TimesPerDay];
}

std::string BandTimes::dayField(int day) {
    return DayFlags[day];
}

} // namespace sentinex
