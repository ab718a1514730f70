// The random inspection's draw over 100,000 users and 100 shifts (target: at most 0.1 s), on the lists
// the run reads, and the whole run on a database of that size (counts, marks, one transaction).
#include "inspection/InspectionDraw.hpp"
#include "inspection/InspectionRun.hpp"
#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace sentinex;

constexpr int Users = 100000;
constexpr int Shifts = 100;
constexpr int PerShift = 5;

std::string shiftName(int i) {
    return "Turno " + std::to_string(i);
}

/// Users spread over the shifts in turn; one in five not eligible (offline or disabled).
void BM_DrawOnLists(benchmark::State& state) {
    std::vector<InspectionDraw::User> users;
    users.reserve(Users);
    for (int i = 0; i < Users; ++i) {
        users.push_back({i + 1, (i / Shifts) % 5 != 0, shiftName(i % Shifts) + (i % 7 == 0 ? "  " : "")});
    }
    std::vector<InspectionDraw::Shift> shifts;
    for (int s = 0; s < Shifts; ++s) {
        shifts.push_back({s + 1, shiftName(s)});
    }
    InspectionDraw::Random random(12345);
    std::size_t marked = 0;
    for (auto _ : state) {
        const auto counts = InspectionDraw::countPerShift(users, shifts);
        const auto keys = InspectionDraw::draw(users, shifts, PerShift, random);
        benchmark::DoNotOptimize(counts.data());
        marked = keys.size();
    }
    if (marked != static_cast<std::size_t>(Shifts * PerShift)) {
        state.SkipWithError("wrong number of users drawn");
    }
    state.counters["marked"] = static_cast<double>(marked);
}
BENCHMARK(BM_DrawOnLists)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InspectionRunOnDatabase(benchmark::State& state) {
    testing::TestInstall install;
    Database& db = *install.db();
    db.execute("BEGIN");
    for (int s = 0; s < Shifts; ++s) {
        db.execute("INSERT INTO Fasce (Nome) VALUES (?)", {shiftName(s)});
    }
    for (int i = 0; i < Users; ++i) {
        db.execute("INSERT INTO Carte (NumeroCarta, Cognome, NomeFascia, Flag_online, AbilitaCarta) "
                   "VALUES (?, ?, ?, ?, 1)",
                   {std::to_string(i), "Utente", shiftName(i % Shifts), (i / Shifts) % 5 != 0});
    }
    db.execute("COMMIT");
    InspectionDraw::Random random(12345);
    for (auto _ : state) {
        if (InspectionRun::run(db, PerShift, random) != InspectionRun::Outcome::Drawn) {
            state.SkipWithError("nothing drawn");
            break;
        }
    }
    state.counters["marked"] =
        static_cast<double>(db.query("SELECT count(*) FROM Carte WHERE Imparziale <> 0").at(0).at(0).toInt());
}
BENCHMARK(BM_InspectionRunOnDatabase)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
