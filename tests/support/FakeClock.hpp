#pragma once

#include "core/Clock.hpp"

#include <functional>

namespace sentinex::testing {

/// A clock the test sets. `pause` does not sleep: it advances the monotonic time (and, when
/// `wallFollowsPause`, the date and time too), pumps events once and calls the hook.
class FakeClock : public Clock {
public:
    FakeClock() = default;
    explicit FakeClock(const DateTime& t) : current(t) {}

    DateTime now() const override { return current; }
    double monotonicSeconds() const override { return monotonic; }
    void pause(int ms, EventPump& pump) override;

    void set(const DateTime& t) { current = t; }
    /// Moves the monotonic clock (and the date and time when `wallFollowsPause`) on by `seconds`.
    void advance(double seconds);

    /// Total milliseconds requested through pause().
    long long pausedMs = 0;
    int pauseCalls = 0;
    DateTime current{2026, 1, 5, 10, 0, 0};
    double monotonic = 1000.0;
    bool wallFollowsPause = false;
    /// Called after each pause with the milliseconds waited (e.g. to deliver a reply meanwhile).
    std::function<void(int)> onPause;

    /// `t` moved on by whole seconds, across days, months and years.
    static DateTime addSeconds(const DateTime& t, long long seconds);

private:
    double m_wallFraction = 0; // part of a second not yet carried into `current`
};

} // namespace sentinex::testing
