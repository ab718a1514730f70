#include "OnlineHarness.hpp"

namespace sentinex::testing {

OnlineHarness::OnlineHarness() : settingsFile(install.folder().settings()), readerStore(install.db()) {
    settings = settingsFile.loadAll();
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    rebuild({});
    state.pollingOn = true;
}

PollingStep::Environment OnlineHarness::environment(EntryLimitSource entryLimit) {
    return {state, settings, settingsFile, install.dir(), *install.db(),        bus,
            clock, pump,     op,           view,          std::move(entryLimit)};
}

void OnlineHarness::rebuild(EntryLimitSource entryLimit) {
    step = std::make_unique<PollingStep>(environment(std::move(entryLimit)));
}

int OnlineHarness::addReader(const TestInstall::Reader& r) {
    const int k = install.addReader(r);
    state.readers.load(readerStore);
    return k;
}

void OnlineHarness::present(int readerIndex, const std::string& pollReply,
                            const std::vector<std::string>& followUps) {
    bus.queue(pollReply);
    for (const auto& f : followUps) {
        bus.queue(f);
    }
    step->run(readerIndex);
}

std::vector<std::map<std::string, Value>> OnlineHarness::transits() {
    std::vector<std::map<std::string, Value>> out;
    const auto cols = install.db()->columns("transiti");
    for (const auto& row : install.db()->query("SELECT * FROM transiti ORDER BY rowid")) {
        std::map<std::string, Value> rec;
        for (std::size_t i = 0; i < cols.size() && i < row.size(); ++i) {
            rec[cols[i]] = row[i];
        }
        out.push_back(std::move(rec));
    }
    return out;
}

std::vector<std::string> OnlineHarness::inside() {
    std::vector<std::string> out;
    for (const auto& row : install.db()->query("SELECT NumeroBadge FROM presenti ORDER BY rowid")) {
        out.push_back(row.at(0).toString());
    }
    return out;
}

} // namespace sentinex::testing
