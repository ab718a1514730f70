// The online decision with the holiday calendar off and on, for users whose bands apply (all of them
// here, every day enabled, no intervals) on a real Sentinex.mdb whose calendar holds the national
// holidays: from the card reply received to the grant frame handed to the bus, as CPU time of the
// thread, as in online_decision_bench. The clock stands on a working day, so the calendar only has to
// tell that the day is not a holiday. The counter "x_off" of the run with the calendar on is its mean
// decision time over the one with it off (run just before on the same installation).
#include "store/Database.hpp"
#include "support/CpuClock.hpp"
#include "support/OnlineHarness.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

using sentinex::OnlineFakeBus;
using sentinex::Timing;
using sentinex::bench::ThreadCpuClock;
using sentinex::testing::OnlineHarness;

constexpr int Users = 10000;

std::string cardText(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return buf;
}

OnlineHarness& installation() {
    static std::unique_ptr<OnlineHarness> h;
    if (h) {
        return *h;
    }
    h = std::make_unique<OnlineHarness>();
    h->settings.Beep = false;
    h->settings.StoricoEsterno = false;
    h->settings.QuattroCifre = true;
    h->install.populate(Users, 0);
    sentinex::Database& db = *h->install.db();
    db.executeScript("UPDATE Carte SET Flag_fasce = 1, Lunedi = 1, Martedi = 1, Mercoledi = 1, Giovedi = 1, "
                     "Venerdi = 1, Sabato = 1, Domenica = 1");
    db.executeScript("BEGIN");
    for (const char* date :
         {"01/01", "06/01", "25/04", "01/05", "02/06", "15/08", "01/11", "08/12", "25/12", "26/12"}) {
        db.execute("INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES (?, 'Festa', 'Chiuso')", {date});
    }
    db.executeScript("COMMIT");
    sentinex::testing::TestInstall::Reader r;
    r.Stato = "In";
    h->addReader(r);
    return *h;
}

double meanOff = 0;

void BM_BandedDecision(benchmark::State& state) {
    OnlineHarness& h = installation();
    const bool calendarOn = state.range(0) != 0;
    h.settings.Festivita = calendarOn;
    h.settings.Pasquetta = true;
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pick(1, 9999);
    ThreadCpuClock::time_point received;
    ThreadCpuClock::time_point granted;
    std::string reply;
    h.bus.respond([&](const std::string& payload, Timing) {
        if (payload.back() == 'D') {
            received = ThreadCpuClock::now();
            return reply;
        }
        if (payload.find("K1") == 8) {
            granted = ThreadCpuClock::now();
        }
        return OnlineFakeBus::codeReply('S');
    });
    long long grants = 0;
    double total = 0;
    for (auto _ : state) {
        const std::string card = cardText(pick(rng));
        reply = OnlineHarness::card(card + "000123");
        granted = {};
        h.step->run(1);
        if (granted == ThreadCpuClock::time_point{}) {
            state.SkipWithError(("no grant for card " + card + ": " + h.view.lastEvent()).c_str());
            break;
        }
        ++grants;
        const double seconds = std::chrono::duration<double>(granted - received).count();
        total += seconds;
        state.SetIterationTime(seconds);
        h.install.db()->execute("DELETE FROM presenti WHERE NumeroBadge = ?", {card});
    }
    const double mean = grants > 0 ? total / static_cast<double>(grants) : 0;
    if (!calendarOn) {
        meanOff = mean;
    } else if (meanOff > 0) {
        state.counters["x_off"] = mean / meanOff;
    }
    state.SetLabel(calendarOn ? "Festivita SI" : "Festivita NO");
}

} // namespace

// Off, on, off, on: the second pair shows how much the figures move by themselves.
BENCHMARK(BM_BandedDecision)
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
