// Online decision time on a real Sentinex.mdb with 1,000 / 10,000 / 100,000 users: from the moment the
// reader's card reply is received to the moment the grant frame is handed to the bus (decoding, the
// raw-data and card-number lookups, the check chain with the anti-passback lookup, the grant payload).
// The reader answers at once and the 10 ms pause before the grant goes through a fake clock, so only
// the program's own work is timed (as CPU time of the thread). Next to it: one bare indexed SQLite lookup of
// a card on the same database, and the ratio of the two (the counter "x_bare_lookup"); and the three bare
// indexed reads a decision needs (card by Stringa, card by NumeroCarta, the presence lookup), and the ratio
// of the decision to them (the counter "x_three_bare_reads").
#include "online/CardLookup.hpp"
#include "online/PresenceTable.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
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
using sentinex::testing::OnlineHarness;
using sentinex::testing::TestInstall;
/// The CPU time of the calling thread, so that other work on the machine does not count.
using Clock = sentinex::bench::ThreadCpuClock;

// Persons already inside (half the users, at most 5,000): the anti-passback table is not empty.
int insideFor(int users) {
    return users / 2 < 5000 ? users / 2 : 5000;
}

struct Installation {
    std::unique_ptr<OnlineHarness> h;
    int users = 0;
    double bareLookupSeconds = 0;
    double threeBareReadsSeconds = 0;
};

std::string cardText(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return buf;
}

Installation& installation(int users) {
    static std::map<int, Installation> cache;
    auto it = cache.find(users);
    if (it != cache.end()) {
        return it->second;
    }
    Installation& inst = cache[users];
    inst.users = users;
    inst.h = std::make_unique<OnlineHarness>();
    OnlineHarness& h = *inst.h;
    h.settings.Beep = false;
    h.settings.StoricoEsterno = false;
    h.settings.QuattroCifre = true;
    h.install.populate(users, 0);
    TestInstall::Reader r;
    r.Stato = "In";
    h.addReader(r);
    // Others inside, with badges no card of the run has.
    h.install.db()->executeScript("BEGIN");
    for (int i = 0; i < insideFor(users); ++i) {
        h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {"X" + std::to_string(i)});
    }
    h.install.db()->executeScript("COMMIT");
    return inst;
}

int cardFor(std::mt19937& rng, int users) {
    // Card numbers past 9999 have five digits and cannot come from a four-digit reader.
    std::uniform_int_distribution<int> pick(1, users < 9999 ? users : 9999);
    return pick(rng);
}

void BM_DecisionToGrantFrame(benchmark::State& state) {
    Installation& inst = installation(static_cast<int>(state.range(0)));
    OnlineHarness& h = *inst.h;
    std::mt19937 rng(42);
    Clock::time_point received;
    Clock::time_point granted;
    std::string reply;
    h.bus.respond([&](const std::string& payload, Timing) {
        if (payload.back() == 'D') {
            received = Clock::now(); // the reply leaves the bus now
            return reply;
        }
        if (payload.find("K1") == 8) {
            granted = Clock::now();
        }
        return OnlineFakeBus::codeReply('S');
    });
    long long grants = 0;
    double total = 0;
    for (auto _ : state) {
        const std::string card = cardText(cardFor(rng, inst.users));
        reply = OnlineHarness::card(card + "000123");
        granted = {};
        h.step->run(1);
        if (granted == Clock::time_point{}) {
            state.SkipWithError(("no grant for card " + card + ": " + h.view.lastEvent()).c_str());
            break;
        }
        ++grants;
        const double seconds = std::chrono::duration<double>(granted - received).count();
        total += seconds;
        state.SetIterationTime(seconds);
        // Leave again, untimed, so every card enters afresh.
        h.install.db()->execute("DELETE FROM presenti WHERE NumeroBadge = ?", {card});
    }
    state.counters["grants"] = static_cast<double>(grants);
    if (grants > 0 && inst.bareLookupSeconds > 0) {
        state.counters["x_bare_lookup"] = total / static_cast<double>(grants) / inst.bareLookupSeconds;
    }
    if (grants > 0 && inst.threeBareReadsSeconds > 0) {
        state.counters["x_three_bare_reads"] =
            total / static_cast<double>(grants) / inst.threeBareReadsSeconds;
    }
}

void BM_BareIndexedLookup(benchmark::State& state) {
    Installation& inst = installation(static_cast<int>(state.range(0)));
    sentinex::SqlStatement st(inst.h->install.db()->handle(), "SELECT * FROM Carte WHERE NumeroCarta = ?");
    std::mt19937 rng(42);
    long long lookups = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        ++lookups;
        st.bind({cardText(cardFor(rng, inst.users))});
        if (!st.step()) {
            state.SkipWithError("card not found");
            break;
        }
        benchmark::DoNotOptimize(st.column(0));
        st.reset();
    }
    if (lookups > 0) {
        inst.bareLookupSeconds =
            std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(lookups);
    }
}

// The three reads a decision needs, bare: prepared once, bound, stepped and reset, on the same file and
// in the same state as the decision finds it: after each round, untimed, the writes a granted entrance
// leaves (a transit and a presence record, each committed to disk, and the presence record removed
// again), so the reads meet the caches as a decision does.
void BM_ThreeBareReads(benchmark::State& state) {
    Installation& inst = installation(static_cast<int>(state.range(0)));
    sentinex::Database& database = *inst.h->install.db();
    sqlite3* db = database.handle();
    sentinex::SqlStatement byString(db, "SELECT NumeroCarta FROM Carte WHERE Stringa = ?");
    sentinex::SqlStatement byNumber(db, "SELECT * FROM Carte WHERE NumeroCarta = ?");
    sentinex::SqlStatement inside(db, "SELECT rowid FROM presenti WHERE NumeroBadge = ?");
    std::mt19937 rng(42);
    long long rounds = 0;
    double total = 0;
    for (auto _ : state) {
        ++rounds;
        const std::string card = cardText(cardFor(rng, inst.users));
        const Clock::time_point start = Clock::now();
        for (sentinex::SqlStatement* st : {&byString, &byNumber, &inside}) {
            st->bind({st == &byString ? card + "000123" : card});
            benchmark::DoNotOptimize(st->step());
            st->reset();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        total += seconds;
        state.SetIterationTime(seconds);
        database.execute("INSERT INTO transiti (NumeroBadge, nota) VALUES (?, 'Passaggio')", {card});
        database.execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {card});
        database.execute("DELETE FROM presenti WHERE NumeroBadge = ?", {card});
    }
    if (rounds > 0) {
        inst.threeBareReadsSeconds = total / static_cast<double>(rounds);
    }
}

// The pieces of the decision, one at a time, to see where its time goes.
void BM_Piece(benchmark::State& state) {
    Installation& inst = installation(static_cast<int>(state.range(0)));
    OnlineHarness& h = *inst.h;
    std::mt19937 rng(42);
    const int piece = static_cast<int>(state.range(1));
    sentinex::testing::DecisionParts parts(h.environment());
    sentinex::CardLookup cards(*h.install.db());
    for (auto _ : state) {
        const std::string card = cardText(cardFor(rng, inst.users));
        switch (piece) {
        case 0:
            benchmark::DoNotOptimize(cards.numberForRawData(card + "000123", card + "000123"));
            break;
        case 1:
            benchmark::DoNotOptimize(cards.findByNumber(card));
            break;
        case 2:
            benchmark::DoNotOptimize(parts.presence.lookUp(card));
            break;
        case 3:
            benchmark::DoNotOptimize(h.install.db()->query(
                "SELECT rowid FROM presenti NOT INDEXED WHERE trim(NumeroBadge) = ?", {card}));
            break;
        }
    }
    static const char* const names[] = {"Stringa lookup", "card record by NumeroCarta", "presence lookup",
                                        "presence by full scan"};
    state.SetLabel(names[piece]);
}

} // namespace

BENCHMARK(BM_Piece)->ArgsProduct({{100000}, {0, 1, 2, 3}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareIndexedLookup)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThreeBareReads)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecisionToGrantFrame)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
