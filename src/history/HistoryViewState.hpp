#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

/// What the history viewer shows, as its window renders it after every action.
struct HistoryViewState {
    std::string caption;                             // the window's caption
    std::string recordsText = "Records trovati : 0"; // Label3
    std::string startText;                           // TxtDataIniziale
    std::string endText;                             // TxtDataFinale
    bool periodFrameVisible = false;                 // FrameSelezioneDate
    bool changePeriodVisible = false;                // CmdCambiaPeriodo
    bool badgeVisible = false;                       // LblNumeroBadge, TxtNumeroBadge
    bool gridVisible = false;                        // DBGrid1
    bool gridShowsTemp = false;        // false: the grid is cleared (a search started or stopped)
    bool attendanceVisible = false;    // CmdCalcolaTempiPresenze
    bool busy = false;                 // disabled, hourglass cursor
    int periodOption = 0;              // the ticked OptInteraParziale: 0 today, 1 partial, 2 whole
    bool singleBadgeOption = false;    // OptSelSocio(1) ticked rather than OptSelSocio(0)
    std::int64_t selectionVersion = 0; // changes whenever temp is refilled or emptied
};

} // namespace sentinex
