// History figures at 1,000,000 transits: a month and the whole history searched into temp (against the
// same copy in built-in SQL on a bare connection with both files attached), the attendance computation
// over the whole history, and CSV export of 100,000 rows.

#include "history/AttendanceComputation.hpp"
#include "history/HistoryArchive.hpp"
#include "history/HistoryCsvExport.hpp"
#include "history/HistoryIndexes.hpp"
#include "history/HistorySelection.hpp"

#include "core/Clock.hpp"
#include "core/Numbers.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "support/TestInstall.hpp"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <stdexcept>

namespace {

using namespace sentinex;

/// 1,000,000 transits as an installation records them: in time order, 1,000 a day from 1 January 2023
/// (about two years and nine months), 10,000 badges, an entry and an exit a day each for 500 of them, one
/// transit in twenty a refusal.
/// Made once for the run.
testing::TestInstall& million() {
    static testing::TestInstall install;
    static const bool populated = [] {
        Database& db = *install.db();
        // Room for the four indexes of transiti while they grow, so the load does not spill pages.
        db.executeScript("PRAGMA cache_size=-400000; BEGIN");
        SqlStatement st(db.handle(),
                        "INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, "
                        "Ora, Passaggio, verso, nota) VALUES (?,?,?,?,?,?,?,?,?)");
        const long long first = daysFromCivil(2023, 1, 1);
        for (int i = 0; i < 1000000; ++i) {
            int y = 0;
            int m = 0;
            int d = 0;
            civilFromDays(first + i / 1000, y, m, d);
            // Each day 500 people come in between 07:00 and 12:00 and leave eight hours later, in the
            // same order; 10,000 badges in turn over the days.
            const int slot = i % 1000 % 500;
            const bool in = i % 1000 < 500;
            const int minuteOfDay = 7 * 60 + slot * 300 / 500 + (in ? 0 : 8 * 60);
            const int user = 1 + static_cast<int>(((i / 1000) * 500LL + slot) * 7919 % 10000);
            const bool refused = i % 20 == 19;
            st.bind({padLeftZeros(user, 4), "Cognome" + std::to_string(user), "Nome" + std::to_string(user),
                     in ? "Ingresso" : "Uscita  ",
                     padLeftZeros(d, 2) + "/" + padLeftZeros(m, 2) + "/" + padLeftZeros(y, 4),
                     padLeftZeros(minuteOfDay / 60, 2) + ":" + padLeftZeros(minuteOfDay % 60, 2), !refused,
                     in ? "In" : "Out", refused ? "Fuori fascia" : "Passaggio"});
            st.step();
        }
        db.executeScript("COMMIT; PRAGMA wal_checkpoint(TRUNCATE); PRAGMA cache_size=-2000;");
        return true;
    }();
    benchmark::DoNotOptimize(populated);
    return install;
}

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

void search(benchmark::State& state, const HistoryChoices& choices) {
    auto& install = million();
    HistoryArchive archive(install.db(), install.reportDb());
    const SelectionPlan plan = HistorySelection::plan(choices);
    std::int64_t copied = 0;
    for (auto _ : state) {
        copied = archive.fillTemp(plan);
    }
    state.counters["records"] = static_cast<double>(copied);
}

void BM_SearchMonthIntoTemp(benchmark::State& state) {
    search(state, month());
}
BENCHMARK(BM_SearchMonthIntoTemp)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SearchWholeHistoryIntoTemp(benchmark::State& state) {
    search(state, whole());
}
BENCHMARK(BM_SearchWholeHistoryIntoTemp)->Unit(benchmark::kMillisecond)->Iterations(3);

/// The same copy as the program's, written in built-in SQL only (no CDATE: the day number from
/// julianday) and run on a bare connection with the main database attached.
void builtInCopy(benchmark::State& state, const std::string& where) {
    auto& install = million();
    HistoryIndexes::ensure(*install.db());
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(install.folder().reportDatabase().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        throw std::runtime_error("cannot open the report database");
    }
    const std::string attach = "ATTACH DATABASE '" + install.folder().database() + "' AS m;";
    sqlite3_exec(raw, attach.c_str(), nullptr, nullptr, nullptr);
    const std::string copy = "BEGIN IMMEDIATE; DELETE FROM temp; INSERT INTO temp (Cognome, Nome, Ora, "
                             "NumeroBadge, Data, causale, nota, "
                             "verso, dataora, passaggio) SELECT Cognome, Nome, Ora, NumeroBadge, Data, "
                             "PosizioneLettore, nota, verso, "
                             "julianday(substr(Data, 7, 4) || '-' || substr(Data, 4, 2) || '-' || "
                             "substr(Data, 1, 2) || ' ' || Ora) - "
                             "2415018.5, Passaggio FROM m.transiti WHERE (nota IS NOT 'OffLine')" +
                             where + " ORDER BY " + HistoryIndexes::dayKeyExpression() +
                             ", Ora, indice; COMMIT;";
    for (auto _ : state) {
        char* err = nullptr;
        if (sqlite3_exec(raw, copy.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            state.SkipWithError(err ? err : "copy failed");
            sqlite3_free(err);
            break;
        }
    }
    state.counters["records"] = static_cast<double>(sqlite3_changes(raw));
    sqlite3_close(raw);
}

void BM_BuiltInCopyMonth(benchmark::State& state) {
    const std::string& key = HistoryIndexes::dayKeyExpression();
    builtInCopy(state, " AND " + key + " >= 20240301 AND " + key + " <= 20240331");
}
BENCHMARK(BM_BuiltInCopyMonth)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BuiltInCopyWholeHistory(benchmark::State& state) {
    builtInCopy(state, "");
}
BENCHMARK(BM_BuiltInCopyWholeHistory)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AttendanceWholeHistory(benchmark::State& state) {
    auto& install = million();
    HistoryArchive archive(install.db(), install.reportDb());
    archive.fillTemp(HistorySelection::plan(whole()));
    AttendanceResult result;
    for (auto _ : state) {
        result = AttendanceComputation::run(*install.reportDb());
    }
    state.counters["rows"] = static_cast<double>(result.rows);
}
BENCHMARK(BM_AttendanceWholeHistory)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CsvExportHundredThousandRows(benchmark::State& state) {
    auto& install = million();
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
