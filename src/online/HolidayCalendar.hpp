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
/// The table is read live, one indexed read per decision of a user whose bands apply, so what the
/// holidays form saves counts at the next card; with "Festivita" off nothing is read at all.
class HolidayCalendar {
public:
    /// Reads `db` and `settings` as they are at each call; both must outlive the calendar.
    HolidayCalendar(Database& db, const Settings& settings);

    /// The holiday of the date of `now` (its time does not matter), or nothing on a working day. Reads
    /// the table whatever "Festivita" says. Throws DatabaseError when `Festivita` cannot be read.
    std::optional<Holiday> holidayOn(const DateTime& now);

    /// The time bands of `card` at `now` with the calendar applied: exactly `TimeBands::evaluate` when
    /// "Festivita" is off, `Flag_fasce` is not True or the day is not a holiday; on a closed holiday
    /// refused with " - Accesso negato - Giorno festivo (<description>)"; on a "Domenica" holiday the
    /// user's Sunday flag and intervals decide and the message names "Domenica". Throws DatabaseError
    /// when the calendar cannot be read.
    BandVerdict evaluate(const CardRecord& card, const DateTime& now);

    /// Description of the computed Easter Monday.
    static constexpr const char* EasterMonday = "Pasquetta";

private:
    const Settings& m_settings;
    CachedStatement m_lookup;
};

} // namespace sentinex
