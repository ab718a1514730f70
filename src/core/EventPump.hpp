#pragma once

namespace sentinex {

/// "Let the user interface process pending events." Every wait for a reader, every pause and every long
/// loop calls it, so clicks and timer ticks run while the program waits.
class EventPump {
public:
    virtual ~EventPump() = default;
    /// Runs the events that are pending now; returns promptly.
    virtual void processEvents() = 0;
};

/// A pump that does nothing: for tools without a window and for tests.
class NullEventPump final : public EventPump {
public:
    void processEvents() override {}
};

} // namespace sentinex
