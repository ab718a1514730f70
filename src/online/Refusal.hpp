#pragma once

#include "PendingJournal.hpp"

#include <string>
#include <vector>

namespace sentinex {

class Clock;
class EventPump;
class Operator;
class OnlineView;
class ReaderBus;
class TransitLog;
struct CardHolder;
struct Settings;
struct StepContext;

/// What happens to a refused card: its message on `Label3`, both lamps red, the refusal command to the
/// reader (its reply is not looked at), the `transiti` record with the reason's `nota`, then one second
/// of beeps while "Beep" is on.
class Refusal {
public:
    Refusal(OnlineView& view, ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump,
            const Settings& settings, TransitLog& log)
        : m_view(view), m_bus(bus), m_op(op), m_clock(clock), m_pump(pump), m_settings(settings), m_log(log) {
    }

    /// Refuses the card of `ctx` for reason `code`, showing `message`; `with` is stored together with
    /// the refusal record. Nothing is thrown: a record that cannot be stored is reported through the
    /// transit log's notice, and the outcome says what became of the records.
    PendingJournal::Outcome refuse(const StepContext& ctx, int code, const std::string& message,
                                   const CardHolder& holder, const std::vector<PendingRecord>& with = {});

private:
    OnlineView& m_view;
    ReaderBus& m_bus;
    Operator& m_op;
    Clock& m_clock;
    EventPump& m_pump;
    const Settings& m_settings;
    TransitLog& m_log;
};

} // namespace sentinex
