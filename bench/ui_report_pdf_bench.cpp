// The history report ("giornata1new.rpt") of 10,000 rows written as a PDF file, as "Stampa" then the
// preview's export does it: the layout read, the rows read from the report database, the pages painted.
// The page count and the file size are reported beside the time, so a run that printed nothing shows.
// us_per_row: CPU microseconds a row, the whole run (layout, rows, pages, file) divided by the rows; it
// is an absolute figure, not a ratio. SENTINEX_KEEP_PDF=path keeps the last file written, to look at.
#include "support/CpuClock.hpp"
#include "support/TestInstall.hpp"
#include "ui/history/report/ReportControl.hpp"

#include "store/Database.hpp"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using sentinex::ReportControl;
using sentinex::testing::TestInstall;

constexpr int kRows = 10000;

/// An installation whose report database holds 10,000 history rows: 100 people, in and out, over
/// fifty days. Made once for the run.
TestInstall& installation() {
    static TestInstall install;
    static const bool filled = [] {
        install.temp().write("giornata1new.rpt", TestInstall::kitFile("giornata1new.rpt"));
        sentinex::Database& rep = *install.reportDb();
        rep.executeScript("BEGIN");
        for (int i = 0; i < kRows; ++i) {
            const int person = i % 100;
            const int day = 1 + i / 200 % 28;
            const bool in = i / 100 % 2 == 0;
            const std::string date = (day < 10 ? "0" : "") + std::to_string(day) + "/02/2026";
            rep.execute("INSERT INTO temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, "
                        "dataora, passaggio) VALUES (?, ?, ?, ?, ?, ?, 'Passaggio', ?, ?, 1)",
                        {"Cognome" + std::to_string(person), "Nome" + std::to_string(person),
                         in ? std::string("08:00") : std::string("17:00"), std::to_string(1000 + person),
                         date, in ? "Ingresso" : "Uscita  ", in ? "In" : "Out", 46054.0 + day});
        }
        rep.executeScript("COMMIT");
        return true;
    }();
    benchmark::DoNotOptimize(filled);
    return install;
}

void BM_HistoryReportToPdf(benchmark::State& state) {
    TestInstall& install = installation();
    const std::string pdf = install.temp().file("storico.pdf");
    const double start = sentinex::bench::processCpuSeconds();
    for (auto _ : state) {
        ReportControl control;
        control.setDataFile(0, install.folder().reportDatabase());
        control.setReportFileName(install.folder().file("giornata1new.rpt"));
        control.setFormula(0, "Titolo = \"Storico del periodo 01/02/2026 - 28/02/2026\"");
        control.setDestination(ReportControl::Destination::File);
        control.setPrintFileName(QString::fromStdString(pdf));
        if (!control.run()) {
            state.SkipWithError(control.errorText().c_str());
            return;
        }
    }
    state.counters["us_per_row"] = (sentinex::bench::processCpuSeconds() - start) * 1e6 /
                                   (static_cast<double>(state.iterations()) * static_cast<double>(kRows));
    state.counters["rows"] = kRows;
    if (const char* keep = std::getenv("SENTINEX_KEEP_PDF")) {
        std::filesystem::copy_file(pdf, keep, std::filesystem::copy_options::overwrite_existing);
    }
    state.counters["pdf_kB"] = static_cast<double>(std::filesystem::file_size(pdf)) / 1024.0;
}
BENCHMARK(BM_HistoryReportToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
