// History figures at 1,000,000 transits: a month and the whole history searched into temp, the attendance
// computation over the whole history, and CSV export of 100,000 rows. Every ratio is taken in the same
// iteration against a bare connection doing the same work (see BareCopy and bareScanAndInserts).

#include "history/AttendanceComputation.hpp"
#include "history/HistoryArchive.hpp"
#include "history/HistoryCsvExport.hpp"
#include "history/HistoryIndexes.hpp"
#include "history/HistorySelection.hpp"

#include "store/Database.hpp"
#include "support/CpuClock.hpp"
#include "support/MillionTransits.hpp"
#include "support/TestInstall.hpp"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

using namespace sentinex;

HistoryChoices month() {
    HistoryChoices c;
    c.start = CalendarDate(2024, 3, 1);
    c.end = CalendarDate(2024, 3, 31);
    return c;
}

HistoryChoices whole() {
    HistoryChoices c;
    c.wholeHistory = true;
    return c;
}

/// A report database as start-up leaves it: a fresh copy of the empty one, at `name` in the test folder.
std::shared_ptr<Database> freshReport(const std::string& name) {
    auto& install = bench::millionTransitInstall();
    const std::string path = install.temp().file(name);
    if (!Database::replaceWithCopy(install.folder().reportDatabase() + ".schema", path)) {
        throw std::runtime_error("cannot copy the empty report database");
    }
    return Database::open(path, false);
}

/// The baseline every history ratio divides by: a bare connection (no wrapper, no engine mutex) on a
/// report file with the program's settings (journal in memory, unsynced, freed pages not zeroed; the main
/// file attached for each search with full sync, mapped, with the program's cache) and the program's own
/// date functions, running the program's exact statements.
class BareCopy {
public:
    explicit BareCopy(const std::string& reportPath) {
        if (sqlite3_open_v2(reportPath.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            throw std::runtime_error("cannot open the report database");
        }
        addProgramFunctions(m_db);
        run("PRAGMA main.journal_mode=MEMORY; PRAGMA main.synchronous=OFF; PRAGMA main.secure_delete=OFF; "
            "PRAGMA legacy_alter_table=ON;");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT sql FROM main.sqlite_master WHERE name = 'temp'", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW) {
            m_tableDefinition = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
    }
    ~BareCopy() { sqlite3_close(m_db); }
    BareCopy(const BareCopy&) = delete;
    BareCopy& operator=(const BareCopy&) = delete;

    /// The program's statements for a search: the previous selection set aside by a rename, temp made
    /// again from its definition, the copy, the old selection dropped, all in one transaction.
    std::int64_t fill(const SelectionPlan& plan) {
        const std::string previous = HistoryArchive::kPreviousSelection;
        const std::string schema = HistoryArchive::kTransitSchema;
        // Attached for the search alone, as the program does (its cache goes with the detach).
        run("ATTACH DATABASE '" + bench::millionTransitInstall().folder().database() + "' AS " + schema +
            "; PRAGMA " + schema + ".synchronous=FULL; PRAGMA " + schema + ".mmap_size=1073741824; PRAGMA " +
            schema + ".cache_size=-32768;");
        run("BEGIN IMMEDIATE; DROP TABLE IF EXISTS main." + previous + "; ALTER TABLE main.temp RENAME TO " +
            previous + "; " + m_tableDefinition + ";");
        sqlite3_stmt* st = nullptr;
        const std::string sql = HistorySelection::fillTempStatement(plan, HistoryArchive::kTransitSchema);
        sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr);
        for (std::size_t i = 0; i < plan.params.size(); ++i) {
            const Value& v = plan.params[i];
            const int at = static_cast<int>(i) + 1;
            if (v.isInteger()) {
                sqlite3_bind_int64(st, at, v.toInt());
            } else if (v.isReal()) {
                sqlite3_bind_double(st, at, v.toDouble());
            } else {
                const std::string text = v.toString();
                sqlite3_bind_text(st, at, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            }
        }
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            throw std::runtime_error(sqlite3_errmsg(m_db));
        }
        const std::int64_t copied = sqlite3_changes(m_db);
        run("DROP TABLE main." + previous + "; COMMIT; DETACH DATABASE " + schema);
        return copied;
    }

    sqlite3* handle() const { return m_db; }

    void run(const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string msg = err ? err : "bare statement failed";
            sqlite3_free(err);
            throw std::runtime_error(msg);
        }
    }

private:
    sqlite3* m_db = nullptr;
    std::string m_tableDefinition;
};

/// A month searched again and again (temp holds the previous month each time), the program against the
/// bare copy; x_shell_month is program ÷ bare, CPU time of the same iteration.
void BM_SearchMonthIntoTemp(benchmark::State& state) {
    auto& install = bench::millionTransitInstall();
    const SelectionPlan plan = HistorySelection::plan(month());
    auto programReport = freshReport("month-program.mdb");
    HistoryArchive archive(install.db(), programReport);
    auto bareReport = freshReport("month-bare.mdb");
    const std::string barePath = bareReport->path();
    bareReport.reset();
    BareCopy bare(barePath);
    double program = 0;
    double baseline = 0;
    std::int64_t copied = 0;
    for (auto _ : state) {
        const double t0 = bench::processCpuSeconds();
        copied = archive.fillTemp(plan);
        const double t1 = bench::processCpuSeconds();
        state.PauseTiming();
        const double t2 = bench::processCpuSeconds();
        bare.fill(plan);
        baseline += bench::processCpuSeconds() - t2;
        state.ResumeTiming();
        program += t1 - t0;
    }
    state.counters["records"] = static_cast<double>(copied);
    state.counters["x_shell_month"] = program / baseline;
}
BENCHMARK(BM_SearchMonthIntoTemp)->Unit(benchmark::kMillisecond)->Iterations(5);

/// The whole history searched twice into a report file fresh from start-up, and once by the bare copy
/// into another fresh file. x_shell_whole: the program's first search ÷ the bare one (both into an
/// empty temp); x_first_whole: the program's second search ÷ its first; sqlite_peak_mib_second: the
/// engine's peak memory during the second search (a journal kept in memory shows there).
void BM_SearchWholeHistoryTwice(benchmark::State& state) {
    auto& install = bench::millionTransitInstall();
    const SelectionPlan plan = HistorySelection::plan(whole());
    double first = 0;
    double second = 0;
    double baseline = 0;
    double peak = 0;
    std::int64_t copied = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto bareReport = freshReport("whole-bare.mdb");
            const std::string barePath = bareReport->path();
            bareReport.reset();
            BareCopy bare(barePath);
            const double t = bench::processCpuSeconds();
            bare.fill(plan);
            baseline += bench::processCpuSeconds() - t;
        }
        HistoryArchive archive(install.db(), freshReport("whole-program.mdb"));
        state.ResumeTiming();
        const double t0 = bench::processCpuSeconds();
        archive.fillTemp(plan);
        const double t1 = bench::processCpuSeconds();
        sqlite3_memory_highwater(1);
        const std::int64_t usedBefore = sqlite3_memory_used();
        copied = archive.fillTemp(plan);
        const double t2 = bench::processCpuSeconds();
        peak =
            std::max(peak, static_cast<double>(sqlite3_memory_highwater(0) - usedBefore) / (1024.0 * 1024.0));
        first += t1 - t0;
        second += t2 - t1;
    }
    state.counters["records"] = static_cast<double>(copied);
    state.counters["x_shell_whole"] = first / baseline;
    state.counters["x_first_whole"] = second / first;
    state.counters["sqlite_peak_mib_second"] = peak;
}
BENCHMARK(BM_SearchWholeHistoryTwice)->Unit(benchmark::kMillisecond)->Iterations(2);

/// One ordered scan of the passages in the pairing order plus the inserts of `rows` (already formatted),
/// on the bare connection: the floor under the attendance computation.
double bareScanAndInserts(sqlite3* db, const std::vector<std::vector<Value>>& rows) {
    const double t0 = bench::processCpuSeconds();
    sqlite3_exec(db, "BEGIN IMMEDIATE; DELETE FROM main.presenze", nullptr, nullptr, nullptr);
    sqlite3_stmt* scan = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT Cognome, Nome, NumeroBadge, verso, dataora FROM main.temp WHERE "
                       "coalesce(passaggio, 0) <> 0 AND dataora IS NOT NULL ORDER BY Cognome COLLATE NOCASE, "
                       "Nome COLLATE NOCASE, NumeroBadge, dataora, rowid",
                       -1, &scan, nullptr);
    double sink = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
        sink +=
            sqlite3_column_double(scan, 4) + sqlite3_column_bytes(scan, 0) + sqlite3_column_bytes(scan, 3);
    }
    sqlite3_finalize(scan);
    benchmark::DoNotOptimize(sink);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO presenze (cognome, nome, numerobadge, mancaingresso, mancauscita, "
                       "dataingresso, sdataingresso, dataUscita, sdataUscita, numeroore, numerominuti) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &insert, nullptr);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            const Value& v = row[i];
            const int at = static_cast<int>(i) + 1;
            if (v.isNull()) {
                sqlite3_bind_null(insert, at);
            } else if (v.isInteger()) {
                sqlite3_bind_int64(insert, at, v.toInt());
            } else if (v.isReal()) {
                sqlite3_bind_double(insert, at, v.toDouble());
            } else {
                const std::string& text = std::get<std::string>(v.raw());
                sqlite3_bind_text(insert, at, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
            }
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return bench::processCpuSeconds() - t0;
}

/// Attendance over the whole history. attendance_cpu_s: the program's CPU seconds a run;
/// x_attendance_scan: the program ÷ one ordered scan of the same passages plus the same inserts on the
/// bare connection (bareScanAndInserts), both over the same temp.
void BM_AttendanceWholeHistory(benchmark::State& state) {
    auto& install = bench::millionTransitInstall();
    auto report = freshReport("attendance.mdb");
    HistoryArchive archive(install.db(), report);
    archive.fillTemp(HistorySelection::plan(whole()));
    BareCopy bare(report->path());
    AttendanceResult result;
    double program = 0;
    double baseline = 0;
    std::vector<std::vector<Value>> rows;
    for (auto _ : state) {
        const double t0 = bench::processCpuSeconds();
        result = AttendanceComputation::run(*report);
        program += bench::processCpuSeconds() - t0;
        state.PauseTiming();
        if (rows.empty()) {
            rows =
                report->query("SELECT cognome, nome, numerobadge, mancaingresso, mancauscita, dataingresso, "
                              "sdataingresso, dataUscita, sdataUscita, numeroore, numerominuti FROM presenze "
                              "ORDER BY rowid");
        }
        baseline += bareScanAndInserts(bare.handle(), rows);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(result.rows);
    state.counters["attendance_cpu_s"] = program / static_cast<double>(state.iterations());
    state.counters["x_attendance_scan"] = program / baseline;
}
BENCHMARK(BM_AttendanceWholeHistory)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CsvExportHundredThousandRows(benchmark::State& state) {
    auto& install = bench::millionTransitInstall();
    HistoryArchive archive(install.db(), install.reportDb());
    archive.fillTemp(HistorySelection::plan(whole()));
    install.reportDb()->execute("DELETE FROM temp WHERE rowid > 100000");
    const std::string path = install.temp().file("storico.csv");
    std::int64_t written = 0;
    for (auto _ : state) {
        written = HistoryCsvExport::writeSelection(*install.reportDb(), path);
    }
    state.counters["records"] = static_cast<double>(written);
}
BENCHMARK(BM_CsvExportHundredThousandRows)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
