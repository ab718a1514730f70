// Start-up of the main window on a large installation: 100,000 users and 1,000,000 transits.
// Measures the window's construction, its start-up sequence and its first show (offscreen), and the
// peak resident memory of the process that does it.
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/ProgramFolder.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "support/TestInstall.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/main/FrmMain.hpp"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kUsers = 100000;
constexpr long long kTransits = 1000000;

std::string g_folder;
long long g_users = 0;
long long g_transits = 0;

/// Messages (such as a serial port that does not open on this machine) must not stop the measure.
class QuietOperator final : public sentinex::Operator {
public:
    void message(const std::string&, const std::string&, sentinex::MsgIcon) override {}
    sentinex::Answer question(const std::string&, const std::string&, sentinex::MsgIcon, bool) override {
        return sentinex::Answer::No;
    }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}
};

/// Builds the installation in a child process, so that the memory used to fill the database does not
/// count in this process's peak. Returns the folder.
std::string makeInstallation() {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        sentinex::testing::TestInstall install;
        install.writeSettings("[Impostazioni]\nPolling=100\nSeriale=1\nUtenti=0\nImparziale=No\n[Porte]"
                              "\nCOM1=/nonexistent/tty\n");
        sentinex::testing::TestInstall::Reader r;
        for (int k = 1; k <= 8; ++k) {
            r.NumeroIndirizzo = k;
            install.addReader(r);
        }
        install.populate(kUsers, kTransits);
        const std::string dir = install.dir();
        if (write(fds[1], dir.data(), dir.size()) != static_cast<ssize_t>(dir.size())) {
            _exit(1);
        }
        _exit(0); // keep the folder: the parent removes it
    }
    close(fds[1]);
    std::string dir;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) {
        dir.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? dir : std::string();
}

double peakRssMb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void BM_MainWindowStartUp(benchmark::State& state) {
    if (g_folder.empty()) {
        state.SkipWithError("the installation could not be made");
        return;
    }
    QuietOperator op;
    sentinex::SystemClock clock;
    sentinex::QtEventPump pump;
    for (auto _ : state) {
        auto session = std::make_unique<sentinex::Session>(g_folder, op, clock, pump);
        auto frm = std::make_unique<sentinex::FrmMain>(*session);
        if (frm->load() != 0) {
            state.SkipWithError("start-up failed");
            break;
        }
        frm->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(session->state().readers.count());
        state.PauseTiming();
        frm.reset();
        session.reset(); // the next session takes the installation's lock again
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = peakRssMb();
    state.counters["users"] = static_cast<double>(g_users);
    state.counters["transits"] = static_cast<double>(g_transits);
}
// The first start-up meets a cold record store; the later ones show the steady cost.
BENCHMARK(BM_MainWindowStartUp)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MainWindowStartUp)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    g_folder = makeInstallation();
    if (!g_folder.empty()) {
        // What the window starts on, counted once before the measure.
        auto db = sentinex::Database::open(sentinex::ProgramFolder(g_folder).database());
        g_users = db->query("SELECT COUNT(*) FROM Carte")[0][0].toInt();
        g_transits = db->query("SELECT COUNT(*) FROM transiti")[0][0].toInt();
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_folder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(g_folder, ec);
    }
    return 0;
}
