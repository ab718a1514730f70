#include "MillionTransits.hpp"

#include "core/Clock.hpp"
#include "core/Numbers.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "support/TestInstall.hpp"

#include <string>

namespace sentinex::bench {

namespace {

void addMillionTransits(Database& db) {
    // Room for the four indexes of transiti while they grow, so the load does not spill pages.
    db.executeScript("PRAGMA cache_size=-400000; BEGIN");
    SqlStatement st(db.handle(), "INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, "
                                 "Ora, Passaggio, verso, nota) VALUES (?,?,?,?,?,?,?,?,?)");
    const long long first = daysFromCivil(2023, 1, 1);
    for (int i = 0; i < 1000000; ++i) {
        int y = 0;
        int m = 0;
        int d = 0;
        civilFromDays(first + i / 1000, y, m, d);
        // Each day 500 people come in between 07:00 and 12:00 and leave eight hours later, in the same
        // order; 10,000 badges in turn over the days.
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
}

} // namespace

testing::TestInstall& millionTransitInstall() {
    static testing::TestInstall install;
    static const bool populated = [] {
        addMillionTransits(*install.db());
        return true;
    }();
    static_cast<void>(populated);
    return install;
}

} // namespace sentinex::bench
