#pragma once

#include "RunStateFile.hpp"

#include <optional>
#include <string>

namespace sentinex {

/// Whether a start-up switches polling and automatic output back on, and what the status line then
/// says.
class PollingResume {
public:
    /// The switches a start-up begins with: off, unless `resumeSetting` ("RiprendiPolling") is on and
    /// the previous run ended without a clean exit, whose switches then come back.
    static Switches atStartUp(bool resumeSetting, const std::optional<Switches>& unfinished);
    /// The status line's note for switches that came back: "Polling ripreso dopo un arresto imprevisto"
    /// (or "Output automatico ripreso ..." when only the output was on) with the date and time of the
    /// newest history record, or "nessuna registrazione" when there is none. Empty when nothing came back.
    static std::string note(const Switches& resumed, const std::optional<std::string>& lastRecord);
};

} // namespace sentinex
