#pragma once

#include "BandTimes.hpp"

#include <string>

namespace sentinex {

/// One named online band of `Fasce` as the band form edits it.
struct BandRecord {
    std::string name; // Nome, as typed
    BandTimes band = BandTimes::unset();

    bool operator==(const BandRecord&) const = default;
};

} // namespace sentinex
