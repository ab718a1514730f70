#include "StepContext.hpp"

#include "core/Numbers.hpp"

namespace sentinex {

StepContext StepContext::forReader(int readerIndex, const ReaderEntry& entry) {
    StepContext c;
    c.readerIndex = readerIndex;
    c.entry = entry;
    c.reader = entry.busAddress();
    c.prefix = c.reader.prefix();
    c.siteText = c.prefix.substr(2);
    c.location = trim(entry.location);
    return c;
}

void StepContext::setReply(std::string r) {
    reply = std::move(r);
    cardData = reply.size() > 10 ? reply.substr(8, reply.size() - 10) : std::string();
}

} // namespace sentinex
