#pragma once

#include <cstdint>

namespace sentinex {

class ReaderBus;
class ReaderList;
struct Settings;

/// The two one-command operations the main window runs on the readers. Both go through
/// `ReaderBus::runWhenIdle`: called while an exchange is in progress (a timer tick or a key pumped
/// during a polling step) they run right after it ends instead of being lost. Replies are not examined
/// and nothing is shown.
class ReaderOps {
public:
    /// For every reader of the list in order, on its loop: prefix + "O0" + value (command timing).
    static void setOutputs(ReaderBus& bus, const ReaderList& readers, std::int16_t value);
    /// Unlock reader entry `index0` (0-based): prefix + "K1" + k1 + "000000" + k2, with k1/k2 from
    /// "TastieraOutput1"/"TastieraOutput2" (command timing). An index outside the list does nothing.
    static void unlockReader(ReaderBus& bus, const ReaderList& readers, int index0, const Settings& settings);
};

} // namespace sentinex
