#pragma once

#include "core/EventPump.hpp"

namespace sentinex {

/// Lets the Qt event loop run what is pending: timer ticks, clicks, repaints.
class QtEventPump final : public EventPump {
public:
    void processEvents() override;
};

} // namespace sentinex
