#include "readers/programming/ReaderFormPresenter.hpp"

#include "core/EventPump.hpp"
#include "core/ProgramFolder.hpp"
#include "core/Settings.hpp"
#include "readers/programming/ReaderProgramming.hpp"
#include "store/Database.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

class ReaderFormPresenterTest : public ::testing::Test {
protected:
    void addReaders(int n, int firstAddress = 0) {
        for (int i = 0; i < n; ++i) {
            TestInstall::Reader r;
            r.NumeroIndirizzo = firstAddress + i;
            r.SituatoPresso = "L" + std::to_string(firstAddress + i);
            install.addReader(r);
        }
    }
    ReaderFormPresenter& open() {
        presenter = std::make_unique<ReaderFormPresenter>(ReaderFormPresenter::Context{
            install.db(), op, clock, pump, settings, [this] { return withBus ? &bus : nullptr; },
            [this] {
                ++listReloads;
                if (listFails) {
                    throw DatabaseError("database is locked");
                }
            }});
        presenter->setOnChange([this] { ++renders; });
        presenter->open();
        return *presenter;
    }
    const ReaderFormView& view() const { return presenter->view(); }
    /// A valid new reader at loop 2 and `address`.
    static ReaderForm typed(int address) {
        ReaderForm f = ReaderForm::cleared(true, false);
        f.type = "TERA TR-Y1";
        f.state = "In";
        f.location = "BAR";
        f.siteCode = "42";
        f.opening = "3";
        f.loop = "2";
        f.address = std::to_string(address);
        return f;
    }
    std::int64_t readerRows() {
        return install.db()->query("SELECT COUNT(*) FROM Lettori").at(0).at(0).toInt();
    }
    /// Another program holding the database's write lock for as long as the result lives.
    std::shared_ptr<Database> lockDatabase() {
        auto other = Database::open(install.folder().database());
        other->executeScript("BEGIN EXCLUSIVE");
        return other;
    }

    TestInstall install;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    Settings settings;
    OnlineFakeBus bus;
    bool withBus = true;
    bool listFails = false;
    int listReloads = 0;
    int renders = 0;
    std::unique_ptr<ReaderFormPresenter> presenter;
};

TEST_F(ReaderFormPresenterTest, BrowsesUpAndDownWithinTheReaders) {
    addReaders(3);
    auto& p = open();
    EXPECT_EQ(view().browse.counter, "Record 1 su 3");
    EXPECT_EQ(view().form.address, "0");
    EXPECT_EQ(view().browse.newOrCancelCaption, "Nuovo lettore");
    EXPECT_EQ(view().browse.modifyOrSaveCaption, "Modifica dati lettore");
    EXPECT_TRUE(view().browse.navigate && view().program && view().browse.remove && view().browse.exit);
    EXPECT_FALSE(view().fieldsEnabled);
    p.previous();
    EXPECT_EQ(view().browse.counter, "Record 1 su 3") << "nothing before the first";
    p.next();
    p.next();
    p.next();
    EXPECT_EQ(view().browse.counter, "Record 3 su 3");
    EXPECT_EQ(view().form.address, "2");
    p.previous();
    EXPECT_EQ(view().form.address, "1");
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(ReaderFormPresenterTest, EmptyTableOpensClearedWithOnlyNewActing) {
    auto& p = open();
    EXPECT_EQ(view().browse.counter, "Nessun lettore presente");
    EXPECT_FALSE(view().browse.modifyOrSave || view().browse.remove || view().program || view().utilities);
    EXPECT_TRUE(view().browse.newOrCancel);
    EXPECT_EQ(view().form.loop, "1") << "without the L-485 board every reader is on loop 1";
    p.program(typed(1));
    p.remove();
    EXPECT_EQ(op.texts(), (std::vector<std::string>{"Non ci sono lettori nel database.",
                                                    "Non ci sono lettori nel database."}));
    EXPECT_TRUE(bus.payloads().empty());
}

TEST_F(ReaderFormPresenterTest, NewReaderIsStoredLastAndShownAfterSave) {
    addReaders(2);
    auto& p = open();
    p.next();
    p.newOrCancel();
    EXPECT_EQ(view().browse.counter, "Nuovo...");
    EXPECT_EQ(view().browse.newOrCancelCaption, "Annulla");
    EXPECT_EQ(view().browse.modifyOrSaveCaption, "Salva dati");
    EXPECT_TRUE(view().fieldsEnabled && view().choosers);
    EXPECT_FALSE(view().browse.navigate || view().browse.remove || view().program || view().browse.exit);
    EXPECT_TRUE(view().form.riscriviRam) << "a new reader rewrites its RAM";
    EXPECT_FALSE(p.leave()) << "left only from browse mode";

    p.modifyOrSave(typed(9));
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(readerRows(), 3);
    EXPECT_EQ(view().browse.counter, "Record 3 su 3");
    EXPECT_EQ(view().form.address, "9");
    EXPECT_EQ(view().form.siteCode, "000042");
    EXPECT_FALSE(view().fieldsEnabled);
}

TEST_F(ReaderFormPresenterTest, RefusedSaveStaysInEditingWithWhatWasTyped) {
    addReaders(2);
    auto& p = open();
    p.newOrCancel();
    ReaderForm clash = typed(1);
    clash.loop = "1";
    p.modifyOrSave(clash);
    EXPECT_EQ(op.last().text, "Indirizzo già assegnato.");
    EXPECT_EQ(readerRows(), 2);
    EXPECT_EQ(view().browse.counter, "Nuovo...");
    EXPECT_EQ(view().form.location, "BAR") << "the typed values stay";
    EXPECT_EQ(view().form.siteCode, "000042") << "the site code as validation completed it";

    // "Annulla" goes back to the reader shown before.
    p.newOrCancel();
    EXPECT_EQ(view().browse.counter, "Record 1 su 2");
    EXPECT_EQ(view().form.address, "0");
}

TEST_F(ReaderFormPresenterTest, ModifyRewritesTheShownReaderInPlace) {
    addReaders(3);
    auto& p = open();
    p.next();
    p.modifyOrSave({});
    EXPECT_EQ(view().browse.counter, "Modifica...");
    EXPECT_EQ(view().form.address, "1") << "editing starts from the shown record";
    ReaderForm f = view().form;
    f.address = "1"; // its own address is no clash
    f.location = "NUOVO";
    p.modifyOrSave(f);
    EXPECT_TRUE(op.shown.empty()) << op.last().text;
    EXPECT_EQ(view().browse.counter, "Record 2 su 3");
    EXPECT_EQ(readerRows(), 3);
    p.previous();
    p.next();
    EXPECT_EQ(view().form.location.substr(0, 5), "NUOVO");
}

TEST_F(ReaderFormPresenterTest, DeleteAsksAndShowsTheFirstReaderAfter) {
    addReaders(3);
    auto& p = open();
    p.next();
    p.next();
    op.queueAnswer(Answer::No);
    p.remove();
    EXPECT_EQ(readerRows(), 3);
    EXPECT_EQ(view().browse.counter, "Record 3 su 3");
    op.queueAnswer(Answer::Yes);
    p.remove();
    EXPECT_EQ(op.last().text, "Sei sicuro di voler eliminare il lettore ?");
    EXPECT_EQ(readerRows(), 2);
    EXPECT_EQ(view().browse.counter, "Record 1 su 2");
}

TEST_F(ReaderFormPresenterTest, SixtyFourReadersAtMost) {
    for (int i = 0; i < 64; ++i) {
        TestInstall::Reader r;
        r.NumeroLoop = 1 + i / 32;
        r.NumeroIndirizzo = i % 32;
        install.addReader(r);
    }
    auto& p = open();
    p.newOrCancel();
    EXPECT_EQ(op.last().text, "Massimo 64 lettori.");
    EXPECT_EQ(view().browse.counter, "Record 1 su 64");
}

TEST_F(ReaderFormPresenterTest, LeavingReloadsTheReaderListAndSurvivesAStoreError) {
    addReaders(1);
    auto& p = open();
    EXPECT_TRUE(p.leave());
    EXPECT_EQ(listReloads, 1);
    EXPECT_TRUE(op.shown.empty());
    listFails = true;
    EXPECT_NO_THROW(EXPECT_TRUE(p.leave()));
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_NE(op.last().text.find("database is locked"), std::string::npos);
}

// Every action that reads or writes the store, failing: a write with another program holding the
// database, a read (which the lock does not stop) with the table gone. One "Errore", nothing thrown,
// nothing changed, and the form works once the store is back.
TEST_F(ReaderFormPresenterTest, LockedDatabaseGivesOneErrorAndTheFormGoesOn) {
    struct Case {
        const char* what;
        std::function<void(ReaderFormPresenter&)> before; // unlocked
        std::function<void(ReaderFormPresenter&)> action; // with the store failing
        bool reads = false;
    };
    const std::vector<Case> cases = {
        {"open", [](ReaderFormPresenter&) {}, [](ReaderFormPresenter& p) { p.open(); }, true},
        {"save new", [](ReaderFormPresenter& p) { p.newOrCancel(); },
         [](ReaderFormPresenter& p) { p.modifyOrSave(typed(9)); }},
        {"save modified", [](ReaderFormPresenter& p) { p.modifyOrSave({}); },
         [](ReaderFormPresenter& p) {
             ReaderForm f = p.view().form;
             f.location = "X";
             p.modifyOrSave(f);
         }},
        {"delete", [](ReaderFormPresenter&) {},
         [this](ReaderFormPresenter& p) {
             op.queueAnswer(Answer::Yes);
             p.remove();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        install.db()->executeScript("DELETE FROM Lettori");
        addReaders(2);
        op.clear();
        auto& p = open();
        c.before(p);
        {
            std::shared_ptr<Database> lock;
            if (c.reads) {
                install.db()->executeScript("ALTER TABLE Lettori RENAME TO LettoriAltrove");
            } else {
                lock = lockDatabase();
            }
            op.clear();
            EXPECT_NO_THROW(c.action(p));
            std::vector<std::string> errors;
            for (const auto& shown : op.messages()) {
                if (shown.title == "Errore") {
                    errors.push_back(shown.text);
                }
            }
            EXPECT_EQ(errors.size(), 1u) << ::testing::PrintToString(op.texts());
            EXPECT_EQ(op.messages().size(), 1u);
            lock.reset();
            if (c.reads) {
                install.db()->executeScript("ALTER TABLE LettoriAltrove RENAME TO Lettori");
            }
        }
        EXPECT_EQ(readerRows(), 2);
        // Usable after: back to browse mode, a new reader is stored.
        if (p.view().browse.editing) {
            p.newOrCancel();
        }
        op.clear();
        p.newOrCancel();
        p.modifyOrSave(typed(20));
        EXPECT_TRUE(op.shown.empty()) << op.last().text;
        EXPECT_EQ(readerRows(), 3);
        EXPECT_EQ(p.view().browse.counter, "Record 3 su 3");
    }
}

TEST_F(ReaderFormPresenterTest, ProgrammingOwnsTheFormForTheWholeRun) {
    addReaders(2);
    auto& p = open();
    withBus = false;
    p.program(view().form);
    EXPECT_EQ(op.last().text, "Periferica non connessa.");
    withBus = true;

    bool checked = false;
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    bus.duringExchange([&] {
        if (checked) {
            return;
        }
        checked = true;
        const ReaderFormView& v = view();
        EXPECT_TRUE(v.running && op.waitVisible);
        EXPECT_FALSE(v.browse.navigate || v.browse.newOrCancel || v.browse.modifyOrSave || v.browse.remove ||
                     v.browse.exit || v.program || v.utilities);
        // What reaches the presenter during the run does nothing.
        p.next();
        p.newOrCancel();
        p.remove();
        EXPECT_FALSE(p.leave());
        EXPECT_EQ(view().browse.counter, "Record 1 su 2");
    });
    op.queueAnswer(Answer::No);
    p.program(view().form);
    EXPECT_TRUE(checked);
    EXPECT_EQ(op.last().text, "Programmazione effettuata.");
    EXPECT_FALSE(view().running || op.waitVisible);
    EXPECT_TRUE(view().program && view().browse.exit);
    EXPECT_EQ(listReloads, 0);
    EXPECT_EQ(readerRows(), 2);
}

} // namespace
} // namespace sentinex
