// The users form and the band form on 100,000 users (SENTINEX_BENCH_USERS for another size): opening the
// users form up to its first record, moving to the next and to the last record, the card search by surname,
// and a band save that reaches every user's copy. Each beside the bare SQLite statement that does the same
// read or update on the same file, so the cost of the form is the ratio of the two.

#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "readers/AppState.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/TestInstall.hpp"
#include "ui/masterdata/FrmCardSearch.hpp"
#include "ui/masterdata/FrmCardsAbil.hpp"
#include "ui/masterdata/FrmFasceOnline.hpp"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace sentinex;

/// 100,000 users, or as many as SENTINEX_BENCH_USERS says (the form is also measured at 1,000,000).
const int kUsers = [] {
    const char* wanted = std::getenv("SENTINEX_BENCH_USERS");
    return wanted && std::atoi(wanted) > 0 ? std::atoi(wanted) : 100000;
}();

/// No message box may wait during a measure.
class QuietOperator final : public Operator {
public:
    void message(const std::string&, const std::string&, MsgIcon) override {}
    Answer question(const std::string&, const std::string&, MsgIcon, bool) override { return Answer::No; }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}
};

/// One installation for the whole run: 100,000 users, all of band "Turno A".
struct Fixture {
    Fixture() {
        install.populate(kUsers, 0);
        install.db()->execute("INSERT INTO Fasce (Nome, Lun_1_da, Lun_1_a, Lunedi, Quanti) "
                              "VALUES ('Turno A', '08:00', '12:00', 1, 0)");
        install.db()->execute("UPDATE Carte SET NomeFascia = 'Turno A', Flag_fasce = 1");
    }
    testing::TestInstall install;
    QuietOperator op;
    Settings settings;
    AppState state;
    OnlineFakeBus bus;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

std::unique_ptr<FrmCardsAbil> usersForm() {
    Fixture& f = fixture();
    return std::make_unique<FrmCardsAbil>(f.install.db(), f.op, f.settings, f.state, f.bus);
}

void click(QWidget& form, const char* name) {
    form.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

/// What the form reads to show a record.
const std::string UserColumns =
    "SELECT rowid, Cognome, Nome, Indirizzo, NumeroCarta, Note, AbilitaCarta, Flag_online, Output1, Output2, "
    "ControllaInput, MetodoInput, Input1, Input2, Flag_fasce, NomeFascia, SceltaFascia, Lettore, Imparziale "
    "FROM Carte ";

void readRow(SqlStatement& st, const std::vector<Value>& params) {
    st.bind(params);
    while (st.step()) {
        benchmark::DoNotOptimize(st.columnText(1));
    }
    st.reset();
}

void BM_FormOpenToFirstRecord(benchmark::State& state) {
    fixture();
    for (auto _ : state) {
        auto form = usersForm();
        form->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.get());
    }
}
BENCHMARK(BM_FormOpenToFirstRecord)->Unit(benchmark::kMillisecond);

void BM_Bare_CountAndFirstRecord(benchmark::State& state) {
    Database& db = *fixture().install.db();
    for (auto _ : state) {
        SqlStatement bands(db.handle(), "SELECT Nome FROM Fasce ORDER BY rowid");
        while (bands.step()) {
        }
        SqlStatement count(db.handle(), "SELECT count(*) FROM Carte");
        count.step();
        SqlStatement first(db.handle(), UserColumns + "ORDER BY rowid LIMIT 1");
        readRow(first, {});
    }
}
BENCHMARK(BM_Bare_CountAndFirstRecord)->Unit(benchmark::kMillisecond);

/// Next record at the far end of the table, where a positioned read costs most.
void BM_NextRecordNearTheEnd(benchmark::State& state) {
    auto form = usersForm();
    click(*form, "Command13");
    click(*form, "Command2"); // record 99,999
    for (auto _ : state) {
        click(*form, "Command1"); // to 100,000
        state.PauseTiming();
        click(*form, "Command2");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NextRecordNearTheEnd)->Unit(benchmark::kMillisecond);

void BM_LastRecord(benchmark::State& state) {
    auto form = usersForm();
    for (auto _ : state) {
        click(*form, "Command13");
        state.PauseTiming();
        click(*form, "Command12");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LastRecord)->Unit(benchmark::kMillisecond);

/// The next record after the one shown, by its key.
void BM_Bare_NextRecord(benchmark::State& state) {
    SqlStatement st(fixture().install.db()->handle(), UserColumns + "WHERE rowid > ? ORDER BY rowid LIMIT 1");
    for (auto _ : state) {
        readRow(st, {std::int64_t{kUsers - 1}});
    }
}
BENCHMARK(BM_Bare_NextRecord)->Unit(benchmark::kMillisecond);

void BM_Bare_LastRecord(benchmark::State& state) {
    SqlStatement st(fixture().install.db()->handle(), UserColumns + "ORDER BY rowid DESC LIMIT 1");
    for (auto _ : state) {
        readRow(st, {});
    }
}
BENCHMARK(BM_Bare_LastRecord)->Unit(benchmark::kMillisecond);

/// "Ricerca" by surname from the users form to the found user shown; `beforeEach`, unmeasured, before
/// each search.
void searchBySurname(benchmark::State& state, const QString& wanted,
                     const std::function<void()>& beforeEach = {}) {
    auto form = usersForm();
    for (auto _ : state) {
        if (beforeEach) {
            state.PauseTiming();
            beforeEach();
            state.ResumeTiming();
        }
        click(*form, "Command10");
        QWidget* search = form->openedWindow();
        search->findChild<QComboBox*>(QStringLiteral("Combo1"))
            ->setCurrentIndex(FrmCardSearch::BySurname - 1);
        search->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(wanted);
        click(*search, "Command1");
        QApplication::processEvents(); // the closed search form goes
        state.PauseTiming();
        click(*form, "Command12");
        state.ResumeTiming();
    }
}

/// The last user of the table, no user ever deleted: its position is its key.
void BM_SearchBySurname(benchmark::State& state) {
    searchBySurname(state, QStringLiteral("Cognome%1").arg(kUsers));
}
BENCHMARK(BM_SearchBySurname)->Unit(benchmark::kMillisecond);

/// The first user of that surname, its position for the counter, and its record.
void BM_Bare_SurnameLookup(benchmark::State& state) {
    Database& db = *fixture().install.db();
    SqlStatement find(db.handle(), "SELECT rowid FROM Carte WHERE Cognome = ? ORDER BY rowid LIMIT 1");
    SqlStatement position(db.handle(), "SELECT count(*) FROM Carte WHERE +rowid <= ?");
    SqlStatement row(db.handle(), UserColumns + "WHERE rowid = ?");
    const std::string wanted = "Cognome" + std::to_string(kUsers);
    for (auto _ : state) {
        find.bind({wanted});
        find.step();
        const std::int64_t key = find.column(0).toInt();
        find.reset();
        readRow(position, {key});
        readRow(row, {key});
    }
}
BENCHMARK(BM_Bare_SurnameLookup)->Unit(benchmark::kMillisecond);

/// "Modifica", one time changed, "Salva modifica": the band and every user's copy.
void BM_BandSavePropagated(benchmark::State& state) {
    Fixture& f = fixture();
    FrmFasceOnline form(f.install.db(), f.op);
    int round = 0;
    for (auto _ : state) {
        click(form, "Command2");
        form.findChild<QLineEdit*>(QStringLiteral("Text1_0"))->setText(++round % 2 ? "08:01" : "08:00");
        click(form, "Command2");
    }
}
BENCHMARK(BM_BandSavePropagated)->Unit(benchmark::kMillisecond);

/// The band save's writes, bare, on connection `db`.
void bareBandUpdate(benchmark::State& state, Database& db) {
    std::string set;
    const char* days[] = {"Lun", "Mar", "Mer", "Gio", "Ven", "Sab", "Dom"};
    std::vector<Value> params;
    for (const char* day : days) {
        for (const char* field : {"_1_da", "_1_a", "_2_da", "_2_a"}) {
            set += std::string(day) + field + " = ?, ";
            params.emplace_back(std::string("##:##"));
        }
    }
    for (const char* flag : {"Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato", "Domenica"}) {
        set += std::string(flag) + " = ?, ";
        params.emplace_back(false);
    }
    set.resize(set.size() - 2);
    params.emplace_back(std::string("Turno A"));
    int round = 0;
    for (auto _ : state) {
        params[0] = Value(std::string(++round % 2 ? "08:01" : "08:00"));
        db.executeScript("BEGIN");
        db.execute("UPDATE Fasce SET Lun_1_da = ? WHERE rowid = 1", {params[0]});
        db.execute("UPDATE Carte SET " + set + " WHERE trim(NomeFascia) = ?", params);
        db.executeScript("COMMIT");
    }
}

/// On the form's connection, which follows the users' rows once the users form has asked for its total.
void BM_Bare_BandUpdateOfEveryUser(benchmark::State& state) {
    bareBandUpdate(state, *fixture().install.db());
}
BENCHMARK(BM_Bare_BandUpdateOfEveryUser)->Unit(benchmark::kMillisecond);

/// On a second connection that follows the users' rows, and on one that follows no table: the difference
/// is what following the rows costs a write that changes every user.
void BM_Bare_BandUpdateFollowed(benchmark::State& state) {
    auto db = Database::open(fixture().install.folder().database());
    db->changeMark("Carte");
    bareBandUpdate(state, *db);
}
BENCHMARK(BM_Bare_BandUpdateFollowed)->Unit(benchmark::kMillisecond);

void BM_Bare_BandUpdateUnfollowed(benchmark::State& state) {
    auto db = Database::open(fixture().install.folder().database());
    bareBandUpdate(state, *db);
}
BENCHMARK(BM_Bare_BandUpdateUnfollowed)->Unit(benchmark::kMillisecond);

/// The user in the middle of the table after the first user was deleted: its position is the place of the
/// nearest kept anchor plus a short count. These last ones change the shared table.
void BM_SearchBySurnameAfterADeletion(benchmark::State& state) {
    fixture().install.db()->execute("DELETE FROM Carte WHERE rowid = (SELECT min(rowid) FROM Carte)");
    searchBySurname(state, QStringLiteral("Cognome%1").arg(kUsers / 2));
}
BENCHMARK(BM_SearchBySurnameAfterADeletion)->Unit(benchmark::kMillisecond);

/// The same search, each time after another window changed a user: the anchors are read again first.
void BM_SearchBySurnameAfterAnOutsideWrite(benchmark::State& state) {
    Database& db = *fixture().install.db();
    int round = 0;
    searchBySurname(state, QStringLiteral("Cognome%1").arg(kUsers / 2), [&] {
        db.execute("UPDATE Carte SET Note = ? WHERE rowid = ?",
                   {std::to_string(++round), std::int64_t{kUsers}});
    });
}
BENCHMARK(BM_SearchBySurnameAfterAnOutsideWrite)->Unit(benchmark::kMillisecond);

/// The same search, each time after a transit was logged on the same connection, as while polling: the
/// total and the anchors stay kept.
void BM_SearchBySurnameAfterATransit(benchmark::State& state) {
    Database& db = *fixture().install.db();
    searchBySurname(state, QStringLiteral("Cognome%1").arg(kUsers / 2),
                    [&] { db.execute("INSERT INTO transiti (NumeroBadge) VALUES ('0001')"); });
}
BENCHMARK(BM_SearchBySurnameAfterATransit)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
