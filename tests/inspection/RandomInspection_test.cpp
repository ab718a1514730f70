#include "inspection/RandomInspection.hpp"

#include "core/Settings.hpp"
#include "store/Database.hpp"
#include "support/FakeClock.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

const std::string kNoData = "Impossibile eseguire la routine dell'imparziale. Il database degli utenti e/o "
                            "dei turni di lavoro è vuoto.";

/// An installation with `users` users of shift "Mattino" (the first one marked by an earlier draw) and,
/// when `withShift`, the shift itself; one user drawn per shift.
struct Rig {
    explicit Rig(int users, bool withShift = true) {
        for (int i = 1; i <= users; ++i) {
            install.addUser({.NumeroCarta = "000" + std::to_string(i),
                             .extra = {{"NomeFascia", "Mattino"}, {"Imparziale", i == 1 ? 1 : 0}}});
        }
        if (withShift) {
            install.db()->execute("INSERT INTO Fasce (Nome) VALUES (?)", {"Mattino"});
        }
        settings.NumeroImparziale = 1;
        settings.OraImparziale = "07:30";
    }
    int marked() {
        return static_cast<int>(
            install.db()->query("SELECT count(*) FROM Carte WHERE Imparziale <> 0").at(0).at(0).toInt());
    }

    TestInstall install;
    Settings settings;
    ScriptedOperator op;
    FakeClock clock{DateTime{2026, 3, 9, 7, 29, 10}};
};

TEST(RandomInspectionTest, StartUpRunsWithTheWaitFormWhenTheInspectionIsOn) {
    struct Case {
        const char* name;
        bool on;
        int users;
        bool withShift;
        bool drawn;
        int marked; // afterwards
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        // Users already drawn stay marked when the inspection is off: start-up does not touch them.
        {"off", false, 3, true, false, 1, {}},
        {"on", true, 3, true, true, 1, {}},
        {"no shifts", true, 3, false, false, 0, {kNoData}},
        {"no users", true, 0, true, false, 0, {kNoData}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.users, c.withShift);
        rig.settings.Imparziale = c.on;
        RandomInspection inspection(*rig.install.db(), rig.settings, rig.op, rig.clock, 11);
        EXPECT_EQ(inspection.runAtStartUp(), c.drawn);
        EXPECT_EQ(rig.marked(), c.marked);
        EXPECT_EQ(rig.op.texts(), c.texts);
        EXPECT_EQ(rig.op.waitShownCount, c.on ? 1 : 0);
        EXPECT_FALSE(rig.op.waitVisible);
        if (!c.texts.empty()) {
            EXPECT_EQ(rig.op.last().title, "Errore");
            EXPECT_EQ(rig.op.last().icon, MsgIcon::Critical);
        }
    }
}

TEST(RandomInspectionTest, OnDemandRunTellsWhatHappened) {
    struct Case {
        const char* name;
        bool on;
        bool withShift;
        bool drawn;
        std::string title;
        std::string text;
        MsgIcon icon;
    };
    const Case cases[] = {
        {"off", false, true, false, "Messaggio", "L'imparziale non è stato attivato.", MsgIcon::Exclamation},
        {"on", true, true, true, "Messaggio", "Operazione completata.", MsgIcon::Information},
        {"no shifts", true, false, false, "Errore", kNoData, MsgIcon::Critical},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(4, c.withShift);
        rig.settings.Imparziale = c.on;
        RandomInspection inspection(*rig.install.db(), rig.settings, rig.op, rig.clock, 11);
        EXPECT_EQ(inspection.runNow(), c.drawn);
        ASSERT_EQ(rig.op.shown.size(), 1u);
        EXPECT_EQ(rig.op.last().title, c.title);
        EXPECT_EQ(rig.op.last().text, c.text);
        EXPECT_EQ(rig.op.last().icon, c.icon);
        EXPECT_EQ(rig.op.waitShownCount, c.on ? 1 : 0);
        EXPECT_FALSE(rig.op.waitVisible);
        EXPECT_EQ(rig.marked(), c.on ? (c.withShift ? 1 : 0) : 1);
    }
}

TEST(RandomInspectionTest, ClockTicksRunTheScheduledDrawOnce) {
    struct Case {
        const char* name;
        bool inspectionOn;
        bool scheduleOn;
        int runs; // over ticks at 07:30:10, 07:31:10, 07:32:10
    };
    const Case cases[] = {
        {"both on", true, true, 1},
        {"inspection off", false, true, 0},
        {"schedule off", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(4);
        rig.settings.Imparziale = c.inspectionOn;
        rig.settings.ScattareAdOrario = c.scheduleOn;
        RandomInspection inspection(*rig.install.db(), rig.settings, rig.op, rig.clock, 11);
        inspection.runAtStartUp();
        const int waitsAtStartUp = rig.op.waitShownCount;
        // A released user would be marked again by a second run within the minute.
        rig.install.db()->execute("UPDATE Carte SET Imparziale = 0");
        int runs = 0;
        for (int minute = 30; minute <= 32; ++minute) {
            rig.clock.set(DateTime{2026, 3, 9, 7, minute, 10});
            runs += inspection.tick() ? 1 : 0;
            if (minute == 30) {
                EXPECT_EQ(rig.marked(), c.runs);
                rig.install.db()->execute("UPDATE Carte SET Imparziale = 0");
            }
        }
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(rig.op.waitShownCount - waitsAtStartUp, c.runs);
        EXPECT_EQ(rig.marked(), 0);
        EXPECT_TRUE(rig.op.texts().empty());
    }
}

TEST(RandomInspectionTest, ATickDuringAnotherRunsWaitFormIsPutOffToTheNextTick) {
    Rig rig(4);
    rig.settings.Imparziale = true;
    rig.settings.ScattareAdOrario = true;
    RandomInspection inspection(*rig.install.db(), rig.settings, rig.op, rig.clock, 11);
    inspection.runAtStartUp();
    rig.install.db()->execute("UPDATE Carte SET Imparziale = 0");
    rig.op.showWait(); // a download is under way
    const int waits = rig.op.waitShownCount;
    rig.clock.set(DateTime{2026, 3, 9, 7, 30, 10});
    EXPECT_FALSE(inspection.tick());
    EXPECT_TRUE(rig.op.waitVisible) << "the run's wait form stays";
    EXPECT_EQ(rig.marked(), 0);
    rig.op.closeWait();
    rig.clock.set(DateTime{2026, 3, 9, 7, 31, 10});
    EXPECT_TRUE(inspection.tick()) << "the draw of 07:30 is made at the first free tick";
    EXPECT_EQ(rig.marked(), 1);
    EXPECT_EQ(rig.op.waitShownCount - waits, 1);
    rig.clock.set(DateTime{2026, 3, 9, 7, 32, 10});
    EXPECT_FALSE(inspection.tick());
}

TEST(RandomInspectionTest, ScheduleAndButtonSayImparzialeInAzioneOnTheWaitForm) {
    Rig rig(4);
    rig.settings.Imparziale = true;
    rig.settings.ScattareAdOrario = true;
    RandomInspection inspection(*rig.install.db(), rig.settings, rig.op, rig.clock, 11);
    // Start-up keeps the design caption.
    inspection.runAtStartUp();
    rig.clock.set(DateTime{2026, 3, 9, 7, 30, 10});
    EXPECT_TRUE(inspection.tick());
    inspection.runNow();
    EXPECT_EQ(rig.op.waitTextsShown,
              (std::vector<std::string>{"ATTENDERE  PREGO", "IMPARZIALE IN AZIONE", "IMPARZIALE IN AZIONE"}));
    // Afterwards the label reads "ATTENDERE PREGO", one blank, as the program leaves it.
    EXPECT_EQ(rig.op.waitText, "ATTENDERE PREGO");

    // Also when the run cannot be made.
    Rig empty(0);
    empty.settings.Imparziale = true;
    RandomInspection none(*empty.install.db(), empty.settings, empty.op, empty.clock, 11);
    EXPECT_FALSE(none.runNow());
    EXPECT_EQ(empty.op.waitTextsShown, (std::vector<std::string>{"IMPARZIALE IN AZIONE"}));
    EXPECT_EQ(empty.op.waitText, "ATTENDERE PREGO");
}

TEST(RandomInspectionTest, AStoreFailureIsShownAndTheWaitFormClosed) {
    Rig rig(3);
    rig.install.db()->executeScript("CREATE TRIGGER refuse_quanti BEFORE UPDATE OF Quanti ON Fasce BEGIN "
                                    "SELECT RAISE(ABORT, 'refused'); END;");
    RandomInspection inspection(*rig.install.db(), rig.settings, rig.op, rig.clock, 11);
    // At start-up the step is left undone without a word; the earlier draw stays.
    EXPECT_FALSE(inspection.runAtStartUp());
    EXPECT_TRUE(rig.op.shown.empty());
    EXPECT_FALSE(rig.op.waitVisible);
    EXPECT_EQ(rig.marked(), 1);

    EXPECT_FALSE(inspection.runNow());
    ASSERT_EQ(rig.op.shown.size(), 1u);
    EXPECT_EQ(rig.op.last().title, "Errore");
    EXPECT_NE(rig.op.last().text.find("refused"), std::string::npos) << rig.op.last().text;
    EXPECT_FALSE(rig.op.waitVisible);
    EXPECT_EQ(rig.marked(), 1);
}

} // namespace
} // namespace sentinex
