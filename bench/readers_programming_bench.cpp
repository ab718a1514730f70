// Reader programming and the card-file load against sentinex-readersim sending at 4800 baud pace,
// compared with what they cannot go below: the wire time (10 bits a byte at 4800 baud, request frame
// and reply bytes counted) plus the fixed pause before each programming command. The reset and the
// wait for the reset reader to answer again are measured on their own: that wait is the reader's.
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/Link.hpp"
#include "readers/cardfile/CardFileRuns.hpp"
#include "readers/cardfile/CardFileView.hpp"
#include "readers/programming/ReaderForm.hpp"
#include "readers/programming/ReaderProgramming.hpp"
#include "support/SimProcess.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace sentinex;
using testing::SimProcess;
using Seconds = std::chrono::duration<double>;
constexpr double ByteSeconds = 10.0 / 4800.0;
constexpr int CardFileRecords = 999;
constexpr int RebootMs = 2000;

/// Answers the reset question as told, names the card file, prints messages other than success.
class BenchOperator final : public Operator {
public:
    void message(const std::string& title, const std::string& text, MsgIcon) override {
        last = text;
        if (text != ReaderProgramming::DoneText) {
            std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        }
    }
    Answer question(const std::string&, const std::string&, MsgIcon, bool) override { return reset; }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override {
        return "bench";
    }
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}

    Answer reset = Answer::No;
    std::string last;
};

class NoView final : public CardFileView {
public:
    void showPrompt(const std::string&) override {}
    void showResult(const std::string&, bool) override {}
    void showProgress(int, int) override {}
};

/// The link, metered: the wire time of every exchange and when each ended.
class MeteredBus final : public ReaderBus {
public:
    struct Exchange {
        std::string payload;
        bool answered;
        std::chrono::steady_clock::time_point end;
    };
    explicit MeteredBus(Link& link) : m_link(link) {}
    std::string exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) override {
        const std::string reply = m_link.exchange(reader, payload, timing);
        wire += static_cast<double>(payload.size() + 3 + reply.size()) * ByteSeconds;
        log.push_back({payload, !reply.empty(), std::chrono::steady_clock::now()});
        return reply;
    }
    bool busy() const override { return m_link.busy(); }
    void runWhenIdle(std::function<void()> action) override { m_link.runWhenIdle(std::move(action)); }
    void clear() {
        wire = 0;
        log.clear();
    }

    double wire = 0;
    std::vector<Exchange> log;

private:
    Link& m_link;
};

/// A paced simulator with one "TERA TR-Y1" reader 1:1:123 and a metered link on it.
class Bench {
public:
    Bench() : m_sim(SimProcess::Options{{{1, 1, 123, "TERA TR-Y1"}}, /*board*/ false, /*baudPacing*/ true}) {
        const std::string ini = m_sim.writeSettings();
        m_settings = SettingsFile(ini).loadAll();
        m_settings.Ritardo = 2;
        m_settings.QuattroCifre = true;
        // Every band defined: the longest run, seven programming commands.
        const char* const from[] = {"07:30", "12:30", "18:00"};
        const char* const to[] = {"12:00", "17:45", "22:00"};
        for (int i = 0; i < 3; ++i) {
            m_settings.OrarioIniziale[i] = from[i];
            m_settings.OrarioFinale[i] = to[i];
        }
        m_settings.computeBandFlags();
        m_link = std::make_unique<Link>(m_settings, ini, m_clock, m_pump, op);
        if (!m_link->openPort()) {
            std::fprintf(stderr, "%s\n", m_link->lastError().c_str());
            std::exit(1);
        }
        bus = std::make_unique<MeteredBus>(*m_link);
        std::ofstream file(m_sim.dir() + "/bench.txt", std::ios::binary);
        for (int i = 1; i <= CardFileRecords; ++i) {
            char record[16];
            std::snprintf(record, sizeof record, "\"%03d%06X\"\r\n", i, 0xA00000 + i);
            file << record;
        }
    }

    ReaderForm form() const {
        ReaderForm f = ReaderForm::cleared(true, false);
        f.type = "TERA TR-Y1";
        f.siteCode = "000123";
        f.opening = "3";
        f.state = "In";
        f.loop = "1";
        f.address = "1";
        f.fasceOrarie = true;
        return f;
    }
    ReaderProgramming programming() { return ReaderProgramming(*bus, op, m_clock, m_pump, m_settings); }
    CardFileRuns cardFileRuns() {
        return CardFileRuns(*bus, op, m_clock, m_pump, m_view, m_sim.dir(), /*beep*/ false);
    }
    SimProcess& sim() { return m_sim; }

    BenchOperator op;
    std::unique_ptr<MeteredBus> bus;

private:
    SimProcess m_sim;
    Settings m_settings;
    SystemClock m_clock;
    NullEventPump m_pump;
    NoView m_view;
    std::unique_ptr<Link> m_link;
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

void BM_ProgrammingRunWithoutReset(benchmark::State& state) {
    Bench& b = bench();
    b.op.reset = Answer::No;
    const ReaderForm form = b.form();
    double wire = 0;
    double pauses = 0;
    double measured = 0;
    for (auto _ : state) {
        b.bus->clear();
        b.op.last.clear();
        const auto t0 = std::chrono::steady_clock::now();
        const auto outcome = b.programming().run(form);
        measured += Seconds(std::chrono::steady_clock::now() - t0).count();
        if (outcome != ReaderProgramming::Outcome::Done) {
            state.SkipWithError(("run failed: " + b.op.last).c_str());
            break;
        }
        wire += b.bus->wire;
        pauses += static_cast<double>(b.bus->log.size()) * ReaderProgramming::CommandPauseMs / 1000.0;
    }
    report(state, measured, wire, pauses);
}
BENCHMARK(BM_ProgrammingRunWithoutReset)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CardFileLoad999Records(benchmark::State& state) {
    Bench& b = bench();
    double wire = 0;
    double measured = 0;
    for (auto _ : state) {
        b.bus->clear();
        auto runs = b.cardFileRuns();
        const auto t0 = std::chrono::steady_clock::now();
        const auto outcome = runs.load(ReaderAddress{1, 1, 123});
        measured += Seconds(std::chrono::steady_clock::now() - t0).count();
        if (outcome != CardFileRuns::Outcome::Done || b.bus->log.size() != CardFileRecords) {
            state.SkipWithError("load failed");
            break;
        }
        wire += b.bus->wire;
    }
    report(state, measured, wire, 0.0);
}
BENCHMARK(BM_CardFileLoad999Records)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

/// The reset, the wait for the reader (silent for 2 s after a reset, as one starting up) and the
/// rest of the run. come_back_ms runs from the reset's reply to the first answered poll; beyond the
/// reader's own silence it is the time the last unanswered poll waited for its timeout.
void BM_ResetAndComeBack(benchmark::State& state) {
    Bench& b = bench();
    b.op.reset = Answer::Yes;
    const ReaderForm form = b.form();
    double comeBack = 0;
    double polls = 0;
    double total = 0;
    for (auto _ : state) {
        b.sim().setFault(1, 1, "reboot " + std::to_string(RebootMs));
        b.bus->clear();
        b.op.last.clear();
        const auto t0 = std::chrono::steady_clock::now();
        const auto outcome = b.programming().run(form);
        total += Seconds(std::chrono::steady_clock::now() - t0).count();
        b.sim().setFault(1, 1, "none");
        const auto& log = b.bus->log;
        if (outcome != ReaderProgramming::Outcome::Done || log.size() < 2 || log[0].payload[0] != 'W') {
            state.SkipWithError(("run failed: " + b.op.last).c_str());
            break;
        }
        std::size_t back = 1;
        while (back < log.size() && !log[back].answered) {
            ++back;
        }
        comeBack += Seconds(log[back].end - log[0].end).count();
        polls += static_cast<double>(back);
    }
    state.counters["reader_silence_ms"] = RebootMs;
    state.counters["come_back_ms"] =
        benchmark::Counter(comeBack * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["come_back_polls"] = benchmark::Counter(polls, benchmark::Counter::kAvgIterations);
    state.counters["run_ms"] = benchmark::Counter(total * 1000.0, benchmark::Counter::kAvgIterations);
    b.op.reset = Answer::No;
}
BENCHMARK(BM_ResetAndComeBack)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
