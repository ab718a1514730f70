#pragma once

#include "link/ReaderAddress.hpp"
#include "readers/ReaderEntry.hpp"

#include <string>

namespace sentinex {

/// What one polling step knows about the reader it serves, built at the start of the step and handed
/// to the decoding, the decision, the refusal and the transit log.
struct StepContext {
    int readerIndex = 1; // 1-based
    ReaderEntry entry;
    ReaderAddress reader; // where every exchange of the step goes
    std::string prefix;   // two-digit address + six-digit site code
    std::string siteText; // the six site-code characters of the prefix
    std::string location; // entry location, blanks removed at both ends
    std::string reply;    // whole poll reply frame, or empty
    std::string cardData; // reply without its first 8 and last 2 characters

    /// Context for reader index `readerIndex` (1-based) served by `entry`; reply and card data empty.
    static StepContext forReader(int readerIndex, const ReaderEntry& entry);
    /// Sets the reply and cuts the card data out of it (empty when the reply is 10 characters or less).
    void setReply(std::string reply);
};

} // namespace sentinex
