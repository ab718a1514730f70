#include "ReaderOps.hpp"

#include "core/Settings.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"
#include "readers/ReaderList.hpp"

#include <utility>
#include <vector>

namespace sentinex {

namespace {

struct Request {
    ReaderAddress reader;
    std::string payload;
};

/// Payloads are built now, from the list as it is now, and sent when the bus is free.
void sendWhenIdle(ReaderBus& bus, std::vector<Request> requests) {
    bus.runWhenIdle([&bus, requests = std::move(requests)] {
        for (const Request& r : requests) {
            bus.exchange(r.reader, r.payload, Timing::Command);
        }
    });
}

} // namespace

void ReaderOps::setOutputs(ReaderBus& bus, const ReaderList& readers, std::int16_t value) {
    std::vector<Request> requests;
    for (int i = 0; i < readers.count(); ++i) {
        const ReaderEntry& e = readers.entry(i);
        const ReaderAddress reader = e.busAddress();
        requests.push_back({reader, ReaderCommands::setOutput(reader.prefix(), value)});
    }
    sendWhenIdle(bus, std::move(requests));
}

void ReaderOps::unlockReader(ReaderBus& bus, const ReaderList& readers, int index0,
                             const Settings& settings) {
    if (index0 < 0 || index0 >= readers.count()) {
        return;
    }
    const ReaderEntry& e = readers.entry(index0);
    const ReaderAddress reader = e.busAddress();
    sendWhenIdle(bus, {{reader, ReaderCommands::unlock(reader.prefix(), settings.TastieraOutput1,
                                                       settings.TastieraOutput2)}});
}

} // namespace sentinex
