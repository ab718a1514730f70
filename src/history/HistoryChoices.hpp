#pragma once

#include "CalendarDate.hpp"

#include <string>

namespace sentinex {

/// What the history viewer selects: the period (or the whole history), one badge or all, and the six
/// boxes of direction, outcome and origin. The boxes start as the viewer opens them: all ticked but
/// "OffLine".
struct HistoryChoices {
    bool wholeHistory = false;
    CalendarDate start;
    CalendarDate end;
    bool singleBadge = false;
    std::string badgeText; // as typed in TxtNumeroBadge
    bool ingressi = true;
    bool uscite = true;
    bool passaggi = true;
    bool rifiuti = true;
    bool onLine = true;
    bool offLine = false;
};

} // namespace sentinex
