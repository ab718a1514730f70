// Record store and settings file figures: binding and searching a large history, searching a held
// selection, reading the settings, the atomic rewrite of the presence counter.

#include "core/SettingsFile.hpp"
#include "store/Database.hpp"
#include "store/RecordSet.hpp"
#include "store/SqlStatement.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace sentinex;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/// A database with `cards` users and `transits` history rows, made once per size and kept for the run.
class BigInstall {
public:
    BigInstall(int cards, int transits) {
        char tmpl[] = "/tmp/sentinex-bench-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        m_path = m_dir + "/Sentinex.mdb";
        auto db =
            Database::create(m_path, readFile(std::string(SENTINEX_SOURCE_DIR) + "/kit/Sentinex.sql"), true);
        db->executeScript("BEGIN");
        {
            SqlStatement st(db->handle(), "INSERT INTO Carte (Cognome, Nome, NumeroCarta) VALUES (?,?,?)");
            for (int i = 1; i <= cards; ++i) {
                char card[16];
                std::snprintf(card, sizeof card, "%04d", i);
                st.bind({"Cognome" + std::to_string(i), "Nome", std::string(card)});
                st.step();
            }
        }
        {
            SqlStatement st(db->handle(), "INSERT INTO transiti (NumeroBadge, Data, Ora, Passaggio, nota) "
                                          "VALUES (?,?,?,1,'Passaggio')");
            for (int i = 0; i < transits; ++i) {
                char card[16];
                std::snprintf(card, sizeof card, "%04d", 1 + i % (cards > 0 ? cards : 1));
                char date[16];
                std::snprintf(date, sizeof date, "%02d/%02d/2025", 1 + (i / 500) % 28, 1 + (i / 14000) % 12);
                st.bind({std::string(card), std::string(date), "08:00"});
                st.step();
            }
        }
        db->executeScript("COMMIT");
    }
    ~BigInstall() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    const std::string& path() const { return m_path; }
    const std::string& dir() const { return m_dir; }

private:
    std::string m_dir;
    std::string m_path;
};

BigInstall& million() {
    static BigInstall inst(10000, 1000000);
    return inst;
}

void BM_BindMillionRowTable(benchmark::State& state) {
    auto db = Database::open(million().path());
    for (auto _ : state) {
        RecordSet rs(db, "transiti");
        benchmark::DoNotOptimize(rs.eof());
    }
}
BENCHMARK(BM_BindMillionRowTable)->Unit(benchmark::kMicrosecond);

void BM_FindCardByNumber(benchmark::State& state) {
    auto db = Database::open(million().path());
    RecordSet carte(db, "Carte");
    int n = 0;
    for (auto _ : state) {
        char card[16];
        std::snprintf(card, sizeof card, "%04d", 1 + (n++ * 7919) % 10000);
        benchmark::DoNotOptimize(carte.findFirst("NumeroCarta = ?", {std::string(card)}));
    }
}
BENCHMARK(BM_FindCardByNumber)->Unit(benchmark::kMicrosecond);

void BM_FindCardInHeldSelection(benchmark::State& state) {
    // A SELECT source is held in memory; its findFirst hands the criteria to the engine over the SELECT
    // (which may use the table's indexes) and then picks the first held record among those found.
    auto db = Database::open(million().path());
    RecordSet carte(db, "SELECT * FROM Carte WHERE AbilitaCarta = true");
    int n = 0;
    for (auto _ : state) {
        char card[16];
        std::snprintf(card, sizeof card, "%04d", 1 + (n++ * 7919) % 10000);
        benchmark::DoNotOptimize(carte.findFirst("NumeroCarta = ?", {std::string(card)}));
    }
}
BENCHMARK(BM_FindCardInHeldSelection)->Unit(benchmark::kMicrosecond);

void BM_WalkThousandTransits(benchmark::State& state) {
    auto db = Database::open(million().path());
    RecordSet rs(db, "transiti");
    for (auto _ : state) {
        rs.moveFirst();
        for (int i = 0; i < 1000 && !rs.eof(); ++i) {
            benchmark::DoNotOptimize(rs.text("NumeroBadge"));
            rs.moveNext();
        }
    }
}
BENCHMARK(BM_WalkThousandTransits)->Unit(benchmark::kMillisecond);

void BM_DaySelectionByCdate(benchmark::State& state) {
    auto db = Database::open(million().path());
    for (auto _ : state) {
        RecordSet rs(
            db, "SELECT * FROM transiti WHERE cdbl(CDATE(Data)) >= 45658 AND cdbl(CDATE(Data)) <= 45659");
        benchmark::DoNotOptimize(rs.recordCount());
    }
}
BENCHMARK(BM_DaySelectionByCdate)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadSettings(benchmark::State& state) {
    const SettingsFile file(std::string(SENTINEX_SOURCE_DIR) + "/kit/Sentinex.ini");
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.loadAll());
    }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

void BM_WritePresenceCounter(benchmark::State& state) {
    const std::string path = million().dir() + "/Sentinex.ini";
    std::filesystem::copy_file(std::string(SENTINEX_SOURCE_DIR) + "/kit/Sentinex.ini", path,
                               std::filesystem::copy_options::overwrite_existing);
    const SettingsFile file(path);
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.writeUtenti(n++));
    }
}
BENCHMARK(BM_WritePresenceCounter)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
