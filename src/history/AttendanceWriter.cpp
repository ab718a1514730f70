#include "AttendanceWriter.hpp"

#include "CalendarDate.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"

#include <cmath>
#include <string_view>

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
    std::string text(kStampLength, ' ');
    writeStamp(dayNumber, text.data());
    return text;
}

void AttendanceWriter::writeStamp(double dayNumber, char* out) {
    long long inDay = 0;
    const CalendarDate date = CalendarDate::fromDayNumber(dayNumber, &inDay);
    const auto two = [](long long n, char* at) {
        at[0] = static_cast<char>('0' + n / 10 % 10);
        at[1] = static_cast<char>('0' + n % 10);
    };
    two(date.day(), out);
    out[2] = '/';
    two(date.month(), out + 3);
    out[5] = '/';
    two(date.year() % 100, out + 6);
    out[8] = '-';
    two(inDay / 3600, out + 9);
    out[11] = ':';
    two(inDay / 60 % 60, out + 12);
    out[14] = ':';
    two(inDay % 60, out + 15);
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
    // Bound field by field, texts in place: this runs once for each of up to a million rows.
    SqlStatement& st = *m_insert;
    SqlStatement::ResetOnExit resetAfter(st);
    st.bindBorrowedText(1, row.surname);
    st.bindBorrowedText(2, row.firstName);
    st.bindBorrowedText(3, row.badge);
    st.bindInt(4, row.missingEntry ? 1 : 0);
    st.bindInt(5, row.missingExit ? 1 : 0);
    if (row.missingEntry) {
        st.bindNull(6);
        st.bindBorrowedText(7, kMissingStamp);
    } else {
        writeStamp(row.entry, m_entryStamp.data());
        st.bindDouble(6, row.entry);
        st.bindBorrowedText(7, std::string_view(m_entryStamp.data(), m_entryStamp.size()));
    }
    if (row.missingExit) {
        st.bindNull(8);
        st.bindBorrowedText(9, kMissingStamp);
    } else {
        writeStamp(row.exit, m_exitStamp.data());
        st.bindDouble(8, row.exit);
        st.bindBorrowedText(9, std::string_view(m_exitStamp.data(), m_exitStamp.size()));
    }
    if (!row.missingEntry && !row.missingExit) {
        long long h = 0;
        long long m = 0;
        duration(row.entry, row.exit, h, m);
        st.bindInt(10, h);
        st.bindInt(11, m);
    } else {
        st.bindNull(10);
        st.bindNull(11);
    }
    while (st.step()) {
    }
}

} // namespace sentinex
