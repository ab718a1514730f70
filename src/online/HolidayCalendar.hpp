#pragma once

#include "TimeBands.hpp"
#include "store/CachedStatement.hpp"

#include <optional>
#include <string>

namespace sentinex {

class Database;
struct CardRecord;
struct DateTime;
struct Settings;

/// A day of the holiday calendar.
struct Holiday {
    enum class Kind {
        Closed, // "Chiuso": nobody whose bands apply passes
        Sunday, // "Domenica": the user's Sunday band decides
    };
    Kind kind = Kind::Closed;
    std::string description;

    bool operator==(const Holiday&) const = default;
};

/// The holiday calendar `Festivita` as the online time bands follow it while "Festivita" is on: a row
/// whose `Data` is "dd/mm" holds every year, one whose `Data` is "dd/mm/yyyy" holds that date only and
/// wins over a yearly row of the same day. Easter Monday is computed, not stored, and is a closed
/// holiday ("Pasquetta") while the setting "Pasquetta" is on, unless a row of its date says otherwise.
///
/// The day's holiday is read once (one indexed read) and kept until the date changes, "Pasquetta"
/// changes or `changed()` says the table did, so a decision on a working day costs a date comparison;
/// with "Festivita" off, or for a user whose bands do not apply, nothing is read at all.
class HolidayCalendar {
public:
    /// Reads `db` and `settings` as they are at each call; both must outlive the calendar.
    HolidayCalendar(Database& db, const Settings& settings);

    /// The holiday of the date of `now` (its time does not matter), or nothing on a working day, whatever
    /// "Festivita" says. Throws DatabaseError when `Festivita` cannot be read (nothing is kept then).
    std::optional<Holiday> holidayOn(const DateTime& now);
    /// The table has changed: the next decision reads the day again.
    void changed() { m_day.reset(); }

    /// The time bands of `card` at `now` with the calendar applied: exactly `TimeBands::evaluate` when
    /// "Festivita" is off, `Flag_fasce` is not True or the day is not a holiday; on a closed holiday
    /// refused with " - Accesso negato - Giorno festivo (<description>)"; on a "Domenica" holiday the
    /// user's Sunday flag and intervals decide and the message names "Domenica". Throws DatabaseError
    /// when the calendar cannot be read.
    BandVerdict evaluate(const CardRecord& card, const DateTime& now);

    /// Description of the computed Easter Monday.
    static constexpr const char* EasterMonday = "Pasquetta";

private:
    /// The last day looked up and what it was.
    struct Day {
        int year = 0;
        int month = 0;
        int day = 0;
        bool pasquetta = false;
        std::optional<Holiday> holiday;
    };

    std::optional<Holiday> lookUp(const DateTime& now);

    const Settings& m_settings;
    CachedStatement m_lookup;
    std::optional<Day> m_day;
};

} // namespace sentinex
