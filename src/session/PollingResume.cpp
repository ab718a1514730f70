#include "PollingResume.hpp"

namespace sentinex {

Switches PollingResume::atStartUp(bool resumeSetting, const std::optional<Switches>& unfinished) {
    if (!resumeSetting || !unfinished) {
        return {};
    }
    return *unfinished;
}

std::string PollingResume::note(const Switches& resumed, const std::optional<std::string>& lastRecord) {
    if (!resumed.any()) {
        return {};
    }
    const std::string what = resumed.polling ? "Polling ripreso dopo un arresto imprevisto"
                                             : "Output automatico ripreso dopo un arresto imprevisto";
    // The time of the newest record tells the operator from when on passages may be missing.
    return what + " (" + (lastRecord ? "ultima registrazione " + *lastRecord : "nessuna registrazione") + ")";
}

} // namespace sentinex
