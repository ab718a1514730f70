#pragma once

#include "store/Value.hpp"

#include <string>
#include <vector>

namespace sentinex {

/// The outcome of reading the viewer's choices: either a message that stops the search, or the
/// conditions on `transiti` (with their bound values) and possibly a warning shown before it runs.
struct SelectionPlan {
    /// Not empty: the search stops after showing it; nothing else here is meaningful.
    std::string stopMessage;
    /// Not empty: shown, then the search goes on.
    std::string warning;
    /// "" or " WHERE " followed by the conditions joined with " AND ".
    std::string whereClause;
    /// Values of the `?` placeholders of `whereClause`, in order.
    std::vector<Value> params;
    /// The four-character badge searched ("" for all badges).
    std::string badge;

    bool stops() const { return !stopMessage.empty(); }
};

} // namespace sentinex
