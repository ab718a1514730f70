// Programming all cards and downloading stored transits over the real link against sentinex-readersim
// sending at 4800 baud pace. Each run is compared with the time it cannot avoid: the bytes on the wire
// (10 bits a byte at 4800 baud, request frames and replies) plus the pauses the runs make by design
// (50 ms before each card command, 10 ms before each "S"). Target: ratio at most 1.05.
#include "masterdata/ProgramAllCards.hpp"
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/Link.hpp"
#include "link/ReaderBus.hpp"
#include "readers/ReaderList.hpp"
#include "readers/download/TransitDownload.hpp"
#include "store/Database.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/SimProcess.hpp"
#include "support/TestInstall.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace sentinex;
constexpr double ByteSeconds = 10.0 / 4800.0;

class QuietOperator final : public Operator {
public:
    void message(const std::string& t, const std::string& x, MsgIcon) override { last = t + ": " + x; }
    Answer question(const std::string&, const std::string&, MsgIcon, bool) override { return Answer::Yes; }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}
    std::string last;
};

/// The link, counting the bytes that cross the wire and the exchanges.
class CountingBus final : public ReaderBus {
public:
    explicit CountingBus(ReaderBus& inner) : m_inner(inner) {}
    std::string exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) override {
        std::string reply = m_inner.exchange(reader, payload, timing);
        wireSeconds += static_cast<double>(payload.size() + 3 + reply.size()) * ByteSeconds;
        ++exchanges;
        return reply;
    }
    bool busy() const override { return m_inner.busy(); }
    void runWhenIdle(std::function<void()> action) override { m_inner.runWhenIdle(std::move(action)); }

    double wireSeconds = 0;
    int exchanges = 0;

private:
    ReaderBus& m_inner;
};

/// Three paced readers on one line and the link on them.
struct Bench {
    Bench() : sim(options()) {
        const std::string ini = sim.writeSettings();
        settings = SettingsFile(ini).loadAll();
        link = std::make_unique<Link>(settings, ini, clock, pump, op);
        if (!link->openPort()) {
            std::fprintf(stderr, "cannot open the simulator's link\n");
            std::exit(1);
        }
        std::vector<ReaderEntry> entries;
        for (int k = 1; k <= 3; ++k) {
            ReaderEntry e;
            e.loop = 1;
            e.address = static_cast<std::int16_t>(k);
            e.siteCode = 123;
            e.location = "LETTORE" + std::to_string(k);
            e.state = "In";
            entries.push_back(e);
        }
        readers.setEntries(entries);
    }
    static testing::SimProcess::Options options() {
        testing::SimProcess::Options o;
        o.baudPacing = true;
        for (int k = 1; k <= 3; ++k) {
            o.readers.push_back({1, k, 123, "NANO NN-K"});
        }
        return o;
    }

    testing::SimProcess sim;
    Settings settings;
    SystemClock clock;
    NullEventPump pump;
    QuietOperator op;
    std::unique_ptr<Link> link;
    ReaderList readers;
};

Bench& bench() {
    static Bench b;
    return b;
}

void report(benchmark::State& state, double measured, double wire, double pauses) {
    state.counters["wire_ms"] = benchmark::Counter(wire * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["pauses_ms"] = benchmark::Counter(pauses * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["measured_ms"] = benchmark::Counter(measured * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = measured / (wire + pauses);
}

/// 40 users (half stored, half deleted in each reader) into three readers: 120 commands.
void BM_ProgramAllCards(benchmark::State& state) {
    Bench& b = bench();
    std::vector<ProgramAllCards::Card> cards;
    for (int i = 0; i < 40; ++i) {
        cards.push_back(
            {std::to_string(1000 + i), "Utente", "Prova", i % 2 ? "111" : "010", false, true, "0111011"});
    }
    CountingBus bus(*b.link);
    double measured = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const auto out = ProgramAllCards::run(b.readers, bus, b.op, b.clock, b.pump, true, cards);
        measured += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!out.done) {
            state.SkipWithError(b.op.last.c_str());
            break;
        }
    }
    const double pauses = bus.exchanges * ProgramAllCards::CommandPauseMs / 1000.0;
    report(state, measured, bus.wireSeconds, pauses);
}
BENCHMARK(BM_ProgramAllCards)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

/// 20 stored transits on each of the three readers, downloaded into "Storico" and cleared.
void BM_DownloadAllReaders(benchmark::State& state) {
    Bench& b = bench();
    testing::TestInstall install;
    CountingBus bus(*b.link);
    double measured = 0;
    int nextPauses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int k = 1; k <= 3; ++k) {
            for (int i = 0; i < 20; ++i) {
                char record[16];
                std::snprintf(record, sizeof record, "%04d%02d%02d0301", 100 + i, 8 + i % 10, i);
                b.sim.queueTransit(1, k, record);
            }
        }
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        TransitDownload download({*install.db(), b.readers, bus, b.op, b.clock, b.pump, nullptr});
        const auto out = download.run({1, 2, 3}, true, true);
        measured += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        nextPauses += out.stored + 3; // one "S" per record and the "F" of each reader
        if (out.result != TransitDownload::Result::Done || out.stored != 60) {
            state.SkipWithError(b.op.last.c_str());
            break;
        }
    }
    report(state, measured, bus.wireSeconds, nextPauses * TransitDownload::NextPauseMs / 1000.0);
}
BENCHMARK(BM_DownloadAllReaders)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

/// The part of a download that is not on the wire: 60 records looked up and stored one by one through
/// "Storico" (each its own committed write, so a run cut short keeps them), with readers that answer at
/// once and no pauses.
void BM_DownloadStoreOnly(benchmark::State& state) {
    testing::TestInstall install;
    OnlineFakeBus bus;
    int left = 0;
    bus.respond([&left](const std::string& payload, Timing) {
        if (payload.at(8) == 'S') {
            if (left == 0) {
                return OnlineFakeBus::codeReply('F');
            }
            --left;
            return std::string("\x02") + payload.substr(0, 2) + "Z" + "010009050301" + "\x05" + "k";
        }
        return OnlineFakeBus::codeReply('S');
    });
    testing::FakeClock clock;
    NullEventPump pump;
    QuietOperator op;
    ReaderList readers;
    ReaderEntry reader;
    reader.address = 1;
    reader.siteCode = 123;
    readers.setEntries({reader});
    double measured = 0;
    int records = 0;
    for (auto _ : state) {
        left = 60;
        const auto t0 = std::chrono::steady_clock::now();
        TransitDownload download({*install.db(), readers, bus, op, clock, pump, nullptr});
        const auto out = download.run({1}, true, false);
        measured += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        records += out.stored;
        if (out.stored != 60) {
            state.SkipWithError(op.last.c_str());
            break;
        }
    }
    state.counters["per_record_ms"] = records > 0 ? measured * 1000.0 / records : 0.0;
}
BENCHMARK(BM_DownloadStoreOnly)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
