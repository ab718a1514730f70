// A full polling pass over 64 answering readers of sentinex-readersim sending at 4800 baud pace,
// next to the time the same bytes need on the wire plus the fixed pauses: per reader the 12-byte poll
// frame and the 9-byte "no card" reply at 10 bits a byte, and the 10 ms wait before each poll.
// ratio = measured pass / (wire + pauses); 1.00 means the program adds nothing of its own.
//
// Three ways: the polling step driven directly on the real link (one line, 64 addresses), the same
// through the L-485 board of the simulator (8 loops x 8 addresses), and the main window's own step
// with the Qt event pump (one line). The timer interval is left out: the steps run back to back.

#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/Link.hpp"
#include "online/OnlineView.hpp"
#include "online/PollingStep.hpp"
#include "readers/AppState.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "session/Session.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SimProcess.hpp"
#include "support/TestInstall.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/main/FrmMain.hpp"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace sentinex;
using sentinex::testing::ScriptedOperator;
using sentinex::testing::SimProcess;
using sentinex::testing::TestInstall;

constexpr double ByteSeconds = 10.0 / 4800.0;
constexpr int PollFrameBytes = 12; // 01 + "aassssssD" + 05 + check byte
constexpr int ReplyBytes = 9;      // 02 + "aaS0" + in1 + in2 + 05 + check byte
constexpr double PauseSeconds = 0.010;
constexpr int Readers = 64;

double expectedPassSeconds() {
    return Readers * ((PollFrameBytes + ReplyBytes) * ByteSeconds + PauseSeconds);
}

class NullView final : public OnlineView {
public:
    void showLastEvent(const std::string&) override {}
    void showStatus(const std::string&) override {}
    void showReceived(const std::string&) override {}
    void setLamps(LampColour) override {}
    void showPresence(const std::string&) override {}
    void pollingStopped() override {}
};

/// 64 readers (site 123) in `Lettori` and on a paced simulator; one line, or 8 loops x 8 through
/// the board.
struct Installation {
    explicit Installation(bool board) {
        SimProcess::Options opt;
        opt.board = board;
        opt.baudPacing = true;
        for (int i = 0; i < Readers; ++i) {
            const int loop = board ? i / 8 + 1 : 1;
            const int address = board ? i % 8 + 1 : i + 1;
            opt.readers.push_back({loop, address, 123, "NANO NN-K"});
            TestInstall::Reader r;
            r.NumeroLoop = loop;
            r.NumeroIndirizzo = address;
            install.addReader(r);
        }
        sim = std::make_unique<SimProcess>(opt);
        if (!sim->running()) {
            std::fprintf(stderr, "simulator did not start\n");
            std::exit(1);
        }
        sim->writeSettings(install.dir(), board, "300H",
                           "Polling=5\r\nBeep=No\r\nImparziale=No\r\nStoricoEsterno=No\r\nUtenti=0\r\n");
    }
    TestInstall install;
    std::unique_ptr<SimProcess> sim;
};

/// Every reader answered its poll in this pass (a silent reader would cost a timeout instead).
void checkAnswered(benchmark::State& state, SimProcess& sim, bool board, long long passes) {
    const int loop = board ? 8 : 1;
    const int address = board ? 8 : Readers;
    const auto polls = sim.requests(loop, address).size();
    if (static_cast<long long>(polls) < passes) {
        state.SkipWithError("the last reader was not polled every pass");
    }
}

void report(benchmark::State& state, double seconds, long long passes) {
    const double pass = seconds / static_cast<double>(passes);
    state.counters["pass_ms"] = pass * 1000.0;
    state.counters["wire_ms"] = expectedPassSeconds() * 1000.0;
    state.counters["ratio"] = pass / expectedPassSeconds();
}

void pollingPassStep(benchmark::State& state, bool board) {
    Installation inst(board);
    const SettingsFile file(inst.install.folder().settings());
    Settings settings = file.loadAll();
    SystemClock clock;
    NullEventPump pump;
    ScriptedOperator op;
    NullView view;
    Link link(settings, inst.install.folder().settings(), clock, pump, op);
    if (!link.openPort()) {
        state.SkipWithError("link did not open");
        return;
    }
    AppState app;
    ReaderStore store(inst.install.db());
    app.readers.load(store);
    app.pollingOn = true;
    PollingStep step(PollingStep::Environment{
        app, settings, file, inst.install.dir(), *inst.install.db(), link, clock, pump, op, view, {}});
    double seconds = 0;
    long long passes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int k = 1; k <= app.readers.count(); ++k) {
            step.run(k);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++passes;
    }
    checkAnswered(state, *inst.sim, board, passes);
    if (!op.shown.empty()) {
        state.SkipWithError(op.shown.front().text.c_str());
    }
    report(state, seconds, passes);
}

void BM_PollingPass_Step_OneLine(benchmark::State& state) {
    pollingPassStep(state, false);
}
void BM_PollingPass_Step_Board8x8(benchmark::State& state) {
    pollingPassStep(state, true);
}

void BM_PollingPass_Window_OneLine(benchmark::State& state) {
    Installation inst(false);
    ScriptedOperator op;
    SystemClock clock;
    QtEventPump pump;
    Session session(inst.install.dir(), op, clock, pump);
    FrmMain frm(session);
    if (frm.load() != 0 || !session.pollingStep()) {
        state.SkipWithError("the window did not start");
        return;
    }
    // Switched on without the timer: the steps run back to back.
    session.state().pollingOn = true;
    double seconds = 0;
    long long passes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int k = 1; k <= session.state().readers.count(); ++k) {
            session.pollingStep()->run(k);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++passes;
    }
    checkAnswered(state, *inst.sim, false, passes);
    if (!op.shown.empty()) {
        state.SkipWithError(op.shown.front().text.c_str());
    }
    report(state, seconds, passes);
}

BENCHMARK(BM_PollingPass_Step_OneLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PollingPass_Step_Board8x8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PollingPass_Window_OneLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
