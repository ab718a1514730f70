// Exchanges against sentinex-readersim sending at 4800 baud pace, compared with the pure wire time
// (10 bits a byte at 4800 baud, request and reply bytes counted).
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/Link.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace sentinex;
constexpr double ByteSeconds = 10.0 / 4800.0;

class QuietOperator final : public Operator {
public:
    void message(const std::string& t, const std::string& x, MsgIcon) override {
        std::fprintf(stderr, "%s: %s\n", t.c_str(), x.c_str());
    }
    Answer question(const std::string&, const std::string&, MsgIcon, bool) override { return Answer::No; }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}
};

/// A paced simulator with reader 1:1:123 and a link opened on it.
class Bench {
public:
    Bench() {
        m_dir = std::filesystem::temp_directory_path() / ("sentinex-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        const std::string link = (m_dir / "link").string();
        const std::string control = (m_dir / "control.sock").string();
        std::vector<std::string> args{std::string(SENTINEX_BIN_DIR) + "/sentinex-readersim",
                                      "--link",
                                      link,
                                      "--control",
                                      control,
                                      "--baud-pacing",
                                      "--reader",
                                      "1:1:123"};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", argv[0]);
            std::exit(1);
        }
        for (int i = 0; i < 500 && !std::filesystem::is_symlink(link); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, control.c_str(), sizeof addr.sun_path - 1);
        m_control = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(m_control, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            std::fprintf(stderr, "cannot reach the simulator\n");
            std::exit(1);
        }
        const std::string ini = (m_dir / "Sentinex.ini").string();
        std::ofstream(ini) << "[Impostazioni]\r\nSeriale=1\r\n[Porte]\r\nCOM1=" << link << "\r\n";
        m_settings = SettingsFile(ini).loadAll();
        m_link = std::make_unique<Link>(m_settings, ini, m_clock, m_pump, m_operator);
        if (!m_link->openPort()) {
            std::exit(1);
        }
    }
    ~Bench() {
        m_link.reset();
        ::close(m_control);
        ::kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        std::filesystem::remove_all(m_dir);
    }
    void control(const std::string& line) {
        const std::string l = line + "\n";
        (void)!::send(m_control, l.data(), l.size(), 0);
        char buf[256];
        std::string got;
        while (got.find('\n') == std::string::npos) {
            ssize_t n = ::recv(m_control, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
    }
    Link& link() { return *m_link; }

private:
    std::filesystem::path m_dir;
    pid_t m_pid = -1;
    int m_control = -1;
    Settings m_settings;
    SystemClock m_clock;
    NullEventPump m_pump;
    QuietOperator m_operator;
    std::unique_ptr<Link> m_link;
};

Bench& bench() {
    static Bench b;
    return b;
}

/// One exchange with the reader on loop 1 at address 1, site code 123; adds its wire time (request
/// frame and reply bytes) to `wire`.
std::string exchange(const std::string& payload, Timing timing, double& wire) {
    const std::string reply = bench().link().exchange(ReaderAddress{1, 1, 123}, payload, timing);
    wire += static_cast<double>(payload.size() + 3 + reply.size()) * ByteSeconds;
    return reply;
}

void report(benchmark::State& state, double measured, double wire) {
    state.counters["wire_ms"] = benchmark::Counter(wire * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["measured_ms"] = benchmark::Counter(measured * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = measured / wire;
}

void BM_PollExchange(benchmark::State& state) {
    const std::string poll = ReaderCommands::poll(ReaderCommands::prefix(1, 123));
    double wire = 0;
    double measured = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::string reply = exchange(poll, Timing::Short, wire);
        measured += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (ReaderReply::code(reply) != 'S') {
            state.SkipWithError("poll not answered");
            break;
        }
    }
    report(state, measured, wire);
}
BENCHMARK(BM_PollExchange)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_Download20Transits(benchmark::State& state) {
    const std::string prefix = ReaderCommands::prefix(1, 123);
    double wire = 0;
    double measured = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 20; ++i) {
            char record[16];
            std::snprintf(record, sizeof record, "%04d%02d%02d0301", 100 + i, 8 + i % 10, i);
            bench().control("transit 1 1 " + std::string(record));
        }
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        int records = 0;
        if (ReaderReply::code(exchange(ReaderCommands::downloadStart(prefix), Timing::Command, wire)) !=
            'S') {
            state.SkipWithError("download start refused");
            break;
        }
        for (;;) {
            const char code =
                ReaderReply::code(exchange(ReaderCommands::nextTransit(prefix), Timing::Command, wire));
            if (code != 'Z') {
                break;
            }
            ++records;
        }
        measured += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (records != 20) {
            state.SkipWithError("not 20 records");
            break;
        }
    }
    report(state, measured, wire);
}
BENCHMARK(BM_Download20Transits)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
