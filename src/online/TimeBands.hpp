#pragma once

#include "core/Clock.hpp"

#include <string>

namespace sentinex {

struct CardRecord;

/// Outcome of the time-band evaluation of a user at a moment.
struct BandVerdict {
    bool allowed = true;
    /// When refused: " - Accesso negato - Giorno non abilitato (<day>)" or
    /// " - Accesso negato - Fuori fascia oraria (<day>)", to be put after "Carta " + number.
    std::string message;
};

/// The online weekly time bands of a user, read from the user's own copy in `Carte`.
class TimeBands {
public:
    /// True when the moment hour:minute lies inside one of the two intervals, bounds included to the
    /// minute. An interval with either bound "##:##" is not used; with no interval used the whole day is
    /// allowed. An interval whose start lies after its end contains no moment. A bound that is not
    /// "HH:MM" is read by the numeric value of its characters 1-2 and 4-5 (0 where nothing numeric).
    static bool intervalTest(const std::string& from1, const std::string& to1, const std::string& from2,
                             const std::string& to2, int hour, int minute);

    /// Evaluates the user at `now`: allowed when `Flag_fasce` is not True; refused when today's day flag
    /// is a stored False (Null counts as enabled) or when the interval test fails. Seconds are ignored.
    static BandVerdict evaluate(const CardRecord& card, const DateTime& now);
    /// The same evaluation with the flag, intervals and day name of `weekday` (0 = Sunday ... 6 =
    /// Saturday) in place of today's: a holiday kept as a Sunday.
    static BandVerdict evaluateAs(const CardRecord& card, const DateTime& now, int weekday);

    /// Italian day name as the messages show it ("Lunedì", ...), for 0 = Sunday ... 6 = Saturday.
    static const char* dayName(int weekday);
};

} // namespace sentinex
