#pragma once

#include "ReaderList.hpp"

#include <cstdint>

namespace sentinex {

/// Process-wide state owned by the main window: the reader list, the two switches, the rotation.
/// Plain data plus the rules that tie them together; the window shows what this says.
class AppState {
public:
    ReaderList readers;
    bool pollingOn = false;
    bool outputOn = false;
    int currentReader = 1;  // 1-based
    int animationFrame = 0; // 0..12
    /// True while a polling step runs (set by the step); the tool buttons wait for it.
    bool stepInProgress = false;

    /// "Impostazioni" and " Configurazione  lettori" are enabled exactly when both switches are off and
    /// no polling step is still running.
    bool toolButtonsEnabled() const { return !pollingOn && !outputOn && !stepInProgress; }
    /// Advances the animation frame: 0..12, then 0.
    int nextAnimationFrame();
    /// Moves the current reader index on: 1..count, then 1.
    void advanceReader();
};

/// Polling timer interval in milliseconds for the "Polling" setting and reader count:
/// Polling x 10 / readers, nearest whole number with ties to even; 1000 with no readers; 0 (no tick)
/// for Polling 0 or below; at least 1 for any positive setting. Never overflows.
int pollingInterval(std::int64_t pollingSetting, int readerCount);

} // namespace sentinex
