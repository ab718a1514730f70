#pragma once

#include "readers/ReaderEntry.hpp"

#include <string>

namespace sentinex {

/// What one polling step knows about the reader it serves, built at the start of the step and handed
/// to the decoding, the decision and the transit log.
struct StepContext {
    int readerIndex = 1; // 1-based
    ReaderEntry entry;
    std::string addressText; // 2 characters
    std::string siteText;    // 6 characters
    std::string prefix;      // addressText + siteText
    std::string location;    // entry location, blanks removed at both ends
    std::string reply;       // whole poll reply frame, or empty
    std::string cardData;    // reply without its first 8 and last 2 characters

    /// Context for reader index `readerIndex` (1-based) served by `entry`; reply and card data empty.
    static StepContext forReader(int readerIndex, const ReaderEntry& entry);
    /// Sets the reply and cuts the card data out of it (empty when the reply is 10 characters or less).
    void setReply(std::string reply);
};

} // namespace sentinex
