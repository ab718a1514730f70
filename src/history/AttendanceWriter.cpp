#include "AttendanceWriter.hpp"

#include "CalendarDate.hpp"

#include "core/Numbers.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"

#include <cmath>

namespace sentinex {

namespace {

// Seconds since the origin of the day numbers, to the nearest second (a stored fraction of a day is
// rarely an exact number of seconds).
long long secondsOf(double dayNumber) {
    return std::llround(dayNumber * 86400.0);
}

long long floorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

} // namespace

AttendanceWriter::AttendanceWriter(Database& reportDb)
    : m_insert(std::make_unique<SqlStatement>(
          reportDb.handle(), "INSERT INTO presenze (cognome, nome, numerobadge, mancaingresso, mancauscita, "
                             "dataingresso, sdataingresso, dataUscita, sdataUscita, numeroore, numerominuti) "
                             "VALUES (?,?,?,?,?,?,?,?,?,?,?)")) {}

AttendanceWriter::~AttendanceWriter() = default;

std::string AttendanceWriter::stamp(double dayNumber) {
    long long inDay = 0;
    const CalendarDate date = CalendarDate::fromDayNumber(dayNumber, &inDay);
    return padLeftZeros(date.day(), 2) + "/" + padLeftZeros(date.month(), 2) + "/" +
           padLeftZeros(date.year() % 100, 2) + "-" + CalendarDate::timeText(inDay);
}

void AttendanceWriter::duration(double entry, double exit, long long& hours, long long& minutes) {
    // Boundaries crossed, as the system counts a difference in hours and in minutes; then the minutes
    // are brought into 0..59 by borrowing an hour.
    const long long entryMinute = floorDiv(secondsOf(entry), 60);
    const long long exitMinute = floorDiv(secondsOf(exit), 60);
    hours = floorDiv(exitMinute, 60) - floorDiv(entryMinute, 60);
    minutes = (exitMinute - entryMinute) - 60 * hours;
    if (minutes < 0) {
        hours -= 1;
        minutes += 60;
    }
}

void AttendanceWriter::write(const AttendanceRow& row) {
    Value entry;
    Value exit;
    Value hours;
    Value minutes;
    std::string entryText = kMissingStamp;
    std::string exitText = kMissingStamp;
    if (!row.missingEntry) {
        entry = Value(row.entry);
        entryText = stamp(row.entry);
    }
    if (!row.missingExit) {
        exit = Value(row.exit);
        exitText = stamp(row.exit);
    }
    if (!row.missingEntry && !row.missingExit) {
        long long h = 0;
        long long m = 0;
        duration(row.entry, row.exit, h, m);
        hours = Value(h);
        minutes = Value(m);
    }
    m_insert->bind({row.surname, row.firstName, row.badge, row.missingEntry, row.missingExit, entry,
                    entryText, exit, exitText, hours, minutes});
    while (m_insert->step()) {
    }
}

} // namespace sentinex
