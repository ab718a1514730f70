#pragma once

#include "AttendanceRow.hpp"
#include "AttendanceTransit.hpp"

#include <functional>

namespace sentinex {

/// The pairing pass of the attendance computation, fed with the passages ordered by surname, first
/// name, badge and time (ties in insertion order). Each person's entry pairs with the next exit of the
/// same badge, whatever the days of the two; an entry followed by another entry or by another badge is
/// written without exit; an exit with no entry before it is written without entry; "InOut" passages
/// are left out and only noted.
///
/// The pass never looks back: `feed` takes the records in order, one at a time, so a selection of any
/// length is paired without holding it in memory.
class AttendancePairing {
public:
    using RowSink = std::function<void(const AttendanceRow&)>;
    explicit AttendancePairing(RowSink write);

    void feed(const AttendanceTransit& transit);
    /// Writes the entry still waiting for its exit, if any. Call once after the last record.
    void finish();
    /// True when an "InOut" passage was met.
    bool turnstileFound() const { return m_turnstileFound; }

private:
    enum class State { Other, AfterEntry, AfterExit };
    /// Outer step: the record starts a person (or a new round for the same person).
    void startWith(const AttendanceTransit& t);
    void writeRow();

    RowSink m_write;
    AttendanceRow m_row;
    State m_state = State::Other;
    bool m_turnstileFound = false;
};

} // namespace sentinex
