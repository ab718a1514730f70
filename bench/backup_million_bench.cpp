// The backup of a database of 1,000,000 transits, copied a few pages per slice while polling goes on
// between two slices. Two figures matter: the longest gap between two polling steps while the backup
// runs (it must stay under one polling interval), and the copy's time against the baseline, a bare
// sqlite3_backup of the same file in one step (sqlite3_backup_step(-1) on a connection of its own, with
// no polling, no side files and no check): the ratio must stay at or under 1.5.

#include "backup/BackupFolder.hpp"
#include "backup/BackupRun.hpp"

#include "core/Numbers.hpp"
#include "store/Database.hpp"
#include "support/MillionTransits.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace {

using namespace sentinex;
using Seconds = std::chrono::duration<double>;
using Steady = std::chrono::steady_clock;

/// The polling interval of an installation with "Polling" 100 and 4 readers: 100 x 10 / 4 ms.
constexpr double PollingIntervalMs = 250.0;

/// The baseline: the whole file in one step, on a connection of its own. Returns its seconds.
double bareBackup(const std::string& source, const std::string& target) {
    std::filesystem::remove(target);
    const auto start = Steady::now();
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    sqlite3_open_v2(source.c_str(), &from, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_open_v2(target.c_str(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    const int rc = b ? sqlite3_backup_step(b, -1) : SQLITE_ERROR;
    sqlite3_backup_finish(b);
    sqlite3_close_v2(to);
    sqlite3_close_v2(from);
    const double seconds = Seconds(Steady::now() - start).count();
    if (rc != SQLITE_DONE) {
        throw std::runtime_error("bare backup failed");
    }
    std::filesystem::remove(target);
    return seconds;
}

/// One polling step's record: a transit stored through the live connection, as a grant stores it.
void pollingStep(Database& db, int n) {
    db.execute("INSERT INTO transiti (NumeroBadge, Data, Ora, Passaggio, verso, nota) VALUES (?,?,?,?,?,?)",
               {padLeftZeros(1 + n % 10000, 4), "14/03/2026", "02:30", true, "In", "Passaggio"});
}

void BM_BackupBetweenPollingSteps(benchmark::State& state) {
    auto& install = bench::millionTransitInstall();
    Database& db = *install.db();
    testing::TempDir out("sentinex-backup-bench");
    const std::string root = BackupFolder::root(out.path(), "");
    double baseline = 0;
    double copy = 0;
    double whole = 0;
    double longestGapMs = 0;
    double longestSliceMs = 0;
    int slices = 0;
    int steps = 0;
    int second = 0;
    for (auto _ : state) {
        state.PauseTiming();
        baseline += bareBackup(db.path(), out.file("bare.mdb"));
        std::filesystem::remove_all(root);
        state.ResumeTiming();

        const DateTime when{2026, 3, 14, 2, 30, second++ % 60};
        BackupRun run(db, install.dir(), root, when);
        const auto begin = Steady::now();
        auto stepEnded = Steady::now();
        bool ended = false;
        while (!ended) {
            const auto sliceStart = Steady::now();
            ended = run.advance();
            const auto sliceEnd = Steady::now();
            longestSliceMs = std::max(
                longestSliceMs, std::chrono::duration<double, std::milli>(sliceEnd - sliceStart).count());
            if (run.state() != BackupRun::State::Checking || ended) {
                copy += Seconds(sliceEnd - sliceStart).count();
            }
            ++slices;
            // The gap the doors see: from the end of one polling step to the start of the next.
            longestGapMs = std::max(longestGapMs,
                                    std::chrono::duration<double, std::milli>(sliceEnd - stepEnded).count());
            if (!ended) {
                pollingStep(db, steps++);
                stepEnded = Steady::now();
            }
        }
        whole += Seconds(Steady::now() - begin).count();
        if (run.state() != BackupRun::State::Done) {
            state.SkipWithError(run.failure().c_str());
            break;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["baseline_s"] = baseline / n;
    state.counters["copy_s"] = copy / n;
    state.counters["copy_vs_baseline"] = copy / baseline;
    state.counters["with_check_s"] = whole / n;
    state.counters["longest_gap_ms"] = longestGapMs;
    state.counters["longest_slice_ms"] = longestSliceMs;
    state.counters["polling_interval_ms"] = PollingIntervalMs;
    state.counters["slices"] = slices / n;
    state.counters["polling_steps"] = steps / n;
}
BENCHMARK(BM_BackupBetweenPollingSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
