#include "HolidayCalendar.hpp"

#include "CardRecord.hpp"
#include "EasterDate.hpp"
#include "core/Clock.hpp"
#include "core/Settings.hpp"
#include "store/SqlStatement.hpp"

namespace sentinex {

namespace {

// Both keys of the day in one indexed read; the longer `Data` (the one date) comes first. A row whose
// Tipo is neither kind is not a holiday, so it hides nothing.
constexpr const char* LookupSql = "SELECT Descrizione, Tipo FROM Festivita WHERE Data IN (?, ?) "
                                  "AND Tipo IN ('Chiuso', 'Domenica') ORDER BY length(Data) DESC LIMIT 1";

} // namespace

HolidayCalendar::HolidayCalendar(Database& db, const Settings& settings)
    : m_settings(settings), m_lookup(db, LookupSql) {}

std::optional<Holiday> HolidayCalendar::holidayOn(const DateTime& now) {
    if (!m_day || m_day->year != now.year || m_day->month != now.month || m_day->day != now.day ||
        m_day->pasquetta != m_settings.Pasquetta) {
        std::optional<Holiday> holiday = lookUp(now);
        m_day = Day{now.year, now.month, now.day, m_settings.Pasquetta, std::move(holiday)};
    }
    return m_day->holiday;
}

std::optional<Holiday> HolidayCalendar::lookUp(const DateTime& now) {
    const std::string oneDate = now.dateText();
    std::optional<Holiday> found;
    m_lookup.readFirst({oneDate, oneDate.substr(0, 5)}, [&found](const SqlStatement& st) {
        found = Holiday{st.columnText(1) == "Domenica" ? Holiday::Kind::Sunday : Holiday::Kind::Closed,
                        st.columnText(0)};
    });
    if (found) {
        return found;
    }
    if (m_settings.Pasquetta) {
        const DateTime monday = EasterDate::monday(now.year);
        if (monday.month == now.month && monday.day == now.day) {
            return Holiday{Holiday::Kind::Closed, EasterMonday};
        }
    }
    return std::nullopt;
}

BandVerdict HolidayCalendar::evaluate(const CardRecord& card, const DateTime& now) {
    if (!m_settings.Festivita || !CardRecord::isTrue(card.Flag_fasce)) {
        return TimeBands::evaluate(card, now);
    }
    const std::optional<Holiday> holiday = holidayOn(now);
    if (!holiday) {
        return TimeBands::evaluate(card, now);
    }
    if (holiday->kind == Holiday::Kind::Closed) {
        return {false, " - Accesso negato - Giorno festivo (" + holiday->description + ")"};
    }
    return TimeBands::evaluateAs(card, now, 0);
}

} // namespace sentinex
