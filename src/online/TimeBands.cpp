#include "TimeBands.hpp"

#include "CardRecord.hpp"
#include "core/Numbers.hpp"

namespace sentinex {

namespace {

constexpr const char* Unset = "##:##";

struct HourMinute {
    std::int64_t hour;
    std::int64_t minute;
};

// Characters 1-2 and 4-5 of a bound by their numeric value; what is missing reads as 0.
HourMinute boundOf(const std::string& text) {
    const std::string h = text.substr(0, 2);
    const std::string m = text.size() > 3 ? text.substr(3, 2) : std::string();
    return {wholeValue(h), wholeValue(m)};
}

bool inside(const std::string& from, const std::string& to, int H, int M) {
    const HourMinute f = boundOf(from);
    const HourMinute t = boundOf(to);
    return (f.hour < H && H < t.hour) || (H == f.hour && M >= f.minute && H < t.hour) ||
           (H == f.hour && M >= f.minute && H == t.hour && M <= t.minute) ||
           (H == t.hour && M <= t.minute && H > f.hour);
}

bool used(const std::string& from, const std::string& to) {
    return from != Unset && to != Unset;
}

} // namespace

bool TimeBands::intervalTest(const std::string& from1, const std::string& to1, const std::string& from2,
                             const std::string& to2, int hour, int minute) {
    const bool used1 = used(from1, to1);
    const bool used2 = used(from2, to2);
    if (used1 && inside(from1, to1, hour, minute)) {
        return true;
    }
    if (used2 && inside(from2, to2, hour, minute)) {
        return true;
    }
    return !used1 && !used2;
}

const char* TimeBands::dayName(int weekday) {
    static const char* const names[7] = {"Domenica", "Lunedì",  "Martedì", "Mercoledì",
                                         "Giovedì",  "Venerdì", "Sabato"};
    return names[((weekday % 7) + 7) % 7];
}

BandVerdict TimeBands::evaluate(const CardRecord& card, const DateTime& now) {
    return evaluateAs(card, now, now.weekday());
}

BandVerdict TimeBands::evaluateAs(const CardRecord& card, const DateTime& now, int weekday) {
    if (!CardRecord::isTrue(card.Flag_fasce)) {
        return {};
    }
    const int day = ((weekday % 7) + 7) % 7;
    if (CardRecord::isFalse(card.dayFlag[static_cast<std::size_t>(day)])) {
        return {false, std::string(" - Accesso negato - Giorno non abilitato (") + dayName(day) + ")"};
    }
    const auto& iv = card.interval[static_cast<std::size_t>(day)];
    if (!intervalTest(iv[0], iv[1], iv[2], iv[3], now.hour, now.minute)) {
        return {false, std::string(" - Accesso negato - Fuori fascia oraria (") + dayName(day) + ")"};
    }
    return {};
}

} // namespace sentinex
