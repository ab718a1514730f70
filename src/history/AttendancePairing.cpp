#include "AttendancePairing.hpp"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace sentinex {

namespace {

enum class Direction { In, Out, InOut, Other };

/// True when `text` is `upper` with ASCII letters in any case.
bool equalsIgnoringCase(const std::string& text, std::string_view upper) {
    return text.size() == upper.size() &&
           std::equal(text.begin(), text.end(), upper.begin(),
                      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

Direction directionOf(const std::string& verso) {
    if (equalsIgnoringCase(verso, "IN")) {
        return Direction::In;
    }
    if (equalsIgnoringCase(verso, "OUT")) {
        return Direction::Out;
    }
    return equalsIgnoringCase(verso, "INOUT") ? Direction::InOut : Direction::Other;
}

} // namespace

AttendancePairing::AttendancePairing(RowSink write) : m_write(std::move(write)) {}

void AttendancePairing::writeRow() {
    m_write(m_row);
}

void AttendancePairing::startWith(const AttendanceTransit& t) {
    m_row.missingEntry = true;
    m_row.missingExit = true;
    m_state = State::Other;
    m_row.badge = t.badge;
    m_row.surname = t.surname;
    m_row.firstName = t.firstName;
    switch (directionOf(t.verso)) {
    case Direction::In:
        m_row.entry = t.dataora;
        m_row.missingEntry = false;
        m_state = State::AfterEntry;
        break;
    case Direction::Out:
        m_row.exit = t.dataora;
        m_row.missingExit = false;
        m_state = State::AfterExit;
        break;
    case Direction::InOut:
        m_turnstileFound = true;
        break;
    case Direction::Other:
        break;
    }
    if (m_row.missingEntry && !m_row.missingExit) {
        writeRow(); // an exit that starts a round has no entry
    }
}

void AttendancePairing::feed(const AttendanceTransit& t) {
    if (m_state != State::AfterEntry) {
        startWith(t);
        return;
    }
    // An entry is pending for m_row.badge.
    if (t.badge != m_row.badge) {
        if (!m_row.missingEntry) {
            writeRow();
        }
        startWith(t); // this record starts the next person
        return;
    }
    switch (directionOf(t.verso)) {
    case Direction::In:
        if (!m_row.missingEntry) {
            writeRow();   // the pending entry never saw its exit
            startWith(t); // and this entry starts again
        } else {
            m_row.entry = t.dataora;
            m_row.missingEntry = false;
        }
        break;
    case Direction::Out: {
        m_row.exit = t.dataora;
        m_row.missingExit = false;
        const bool hadEntry = !m_row.missingEntry;
        writeRow();
        if (hadEntry) {
            m_row.missingEntry = true;
            m_row.missingExit = true;
        } else {
            m_state = State::Other; // the next record starts a new round
        }
        break;
    }
    case Direction::InOut:
        m_turnstileFound = true; // does not break the pending entry
        break;
    case Direction::Other:
        break;
    }
}

void AttendancePairing::finish() {
    if (!m_row.missingEntry && m_row.missingExit) {
        writeRow();
        m_row.missingEntry = true;
    }
}

} // namespace sentinex
