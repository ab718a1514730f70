#include "StepContext.hpp"

#include "core/Numbers.hpp"

namespace sentinex {

StepContext StepContext::forReader(int readerIndex, const ReaderEntry& entry) {
    StepContext c;
    c.readerIndex = readerIndex;
    c.entry = entry;
    c.addressText = padLeftZeros(entry.address, 2);
    c.siteText = padLeftZeros(entry.siteCode, 6);
    c.prefix = c.addressText + c.siteText;
    c.location = trim(entry.location);
    return c;
}

void StepContext::setReply(std::string r) {
    reply = std::move(r);
    cardData = reply.size() > 10 ? reply.substr(8, reply.size() - 10) : std::string();
}

} // namespace sentinex
