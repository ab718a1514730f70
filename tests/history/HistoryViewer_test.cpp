#include "HistoryFixture.hpp"

#include "history/HistoryArchive.hpp"
#include "history/HistoryViewer.hpp"

#include "support/FakeClock.hpp"
#include "support/ScriptedOperator.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::addTransits;
using testing::FakeClock;
using testing::rowsOf;
using testing::ScriptedOperator;
using testing::TestInstall;
using testing::TransitRow;
using Box = HistoryViewer::Box;

TransitRow on(const char* data, const char* where, const char* verso = "In") {
    TransitRow r;
    r.Data = data;
    r.PosizioneLettore = where;
    r.verso = verso;
    return r;
}

/// The viewer over an installation whose history holds three days around "today" (5 January 2026).
class HistoryViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        addTransits(*install.db(), {on("04/01/2026", "yesterday"), on("05/01/2026", "today in"),
                                    on("05/01/2026", "today out", "Out"), on("06/01/2026", "tomorrow")});
        viewer.setOnChange([this] { busyTrail.push_back(viewer.state().busy); });
    }
    std::vector<std::string> temp() {
        return rowsOf(*install.reportDb(), "SELECT causale FROM temp ORDER BY rowid");
    }
    std::vector<std::string> transits() {
        return rowsOf(*install.db(), "SELECT PosizioneLettore FROM transiti ORDER BY indice");
    }
    void typePeriod(const char* start, const char* end) {
        viewer.choosePartial();
        viewer.setStartText(start);
        viewer.setEndText(end);
    }

    TestInstall install;
    HistoryArchive archive{install.db(), install.reportDb()};
    ScriptedOperator op;
    FakeClock clock{DateTime{2026, 1, 5, 10, 0, 0}};
    HistoryViewer viewer{archive, op, clock};
    std::vector<bool> busyTrail;
};

TEST_F(HistoryViewerTest, OpensOnTodaysOnlineTransitsOfAllBadges) {
    viewer.open();
    const auto& s = viewer.state();
    EXPECT_EQ(temp(), (std::vector<std::string>{"today in", "today out"}));
    EXPECT_EQ(s.caption, "Storico del periodo 05/01/2026 - 05/01/2026");
    EXPECT_EQ(s.recordsText, "Records trovati : 2");
    EXPECT_EQ(s.startText, "05/01/2026");
    EXPECT_EQ(s.endText, "05/01/2026");
    EXPECT_TRUE(s.gridVisible && s.gridShowsTemp && s.attendanceVisible);
    EXPECT_FALSE(s.periodFrameVisible || s.changePeriodVisible || s.badgeVisible || s.busy);
    const HistoryChoices& c = viewer.choices();
    EXPECT_TRUE(c.ingressi && c.uscite && c.passaggi && c.rifiuti && c.onLine);
    EXPECT_FALSE(c.offLine || c.wholeHistory || c.singleBadge);
    EXPECT_TRUE(op.shown.empty());
    // Each search marks the viewer busy, then free.
    EXPECT_EQ(busyTrail, (std::vector<bool>{true, false, true, false}));
}

TEST_F(HistoryViewerTest, TypedPeriodIsValidatedBeforeAnythingIsSearched) {
    viewer.open();
    struct Case {
        const char* start;
        const char* end;
        const char* message;
    };
    const Case refused[] = {
        {"", "05/01/2026", "Data iniziale non valida"},
        {"05/13/2026", "05/01/2026", "Data iniziale non valida"},
        {"04/01/2026", "31/02/2026", "Data finale non valida"},
        {"06/01/2026", "04/01/2026", "La data finale non può essere antecedente alla finale"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.message);
        typePeriod(c.start, c.end);
        op.clear();
        viewer.search();
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.last().text, c.message);
        EXPECT_EQ(op.last().title, "Sentinex");
        EXPECT_EQ(op.last().icon, MsgIcon::None);
        EXPECT_TRUE(viewer.state().periodFrameVisible); // the frame stays for a correction
        EXPECT_EQ(temp(), (std::vector<std::string>{"today in", "today out"}));
        // Nor is anything deleted.
        op.clear();
        viewer.deleteHistory();
        EXPECT_EQ(op.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(transits().size(), 4u);
    }
    typePeriod("04/01/2026", "04/01/2026");
    viewer.search();
    EXPECT_FALSE(viewer.state().periodFrameVisible);
    EXPECT_EQ(temp(), std::vector<std::string>{"yesterday"});
    EXPECT_EQ(viewer.state().caption, "Storico del periodo 04/01/2026 - 04/01/2026");
}

TEST_F(HistoryViewerTest, ASelectionMessageStopsTheSearchAndKeepsTheLastSelection) {
    viewer.open();
    const std::int64_t version = viewer.state().selectionVersion;
    viewer.setBox(Box::Ingressi, false);
    viewer.setBox(Box::Uscite, false);
    // The first click left "In Uscita" ticked and searched; the second left no direction.
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Occorre almeno una selezione tra Ingressi ed Uscite"});
    viewer.setBox(Box::Uscite, true);
    op.clear();
    viewer.setBox(Box::OffLine, true); // passages and refusals, online and offline: a warning only
    EXPECT_EQ(op.texts(),
              std::vector<std::string>{"Attenzione ! Nell'offline non sono registrati i rifiuti"});
    EXPECT_EQ(temp(), std::vector<std::string>{"today out"});
    op.clear();
    const std::int64_t before = viewer.state().selectionVersion;
    viewer.setBox(Box::Passaggi, false);
    EXPECT_EQ(op.texts(),
              std::vector<std::string>{
                  "Combinazione selezioni non valida. Nell' offline non sono registrati i rifiuti"});
    const auto& s = viewer.state();
    EXPECT_EQ(s.caption, "Aggiornamento in corso");
    EXPECT_FALSE(s.busy);
    EXPECT_FALSE(s.gridShowsTemp); // the view was cleared, temp itself keeps the last selection
    EXPECT_EQ(temp(), std::vector<std::string>{"today out"});
    EXPECT_EQ(s.selectionVersion, before);
    EXPECT_GT(before, version);
}

TEST_F(HistoryViewerTest, SingleBadgeSearchesTheFourCharacterBadge) {
    TransitRow other = on("05/01/2026", "other badge", "InOut");
    other.NumeroBadge = "0099";
    addTransits(*install.db(), {other});
    viewer.open();
    ASSERT_EQ(temp().size(), 3u);
    viewer.setBadgeText("12");
    EXPECT_FALSE(viewer.state().gridVisible);
    EXPECT_EQ(viewer.state().caption, "    ");
    viewer.chooseSingleBadge();
    EXPECT_TRUE(viewer.state().badgeVisible);
    EXPECT_EQ(temp(), (std::vector<std::string>{"today in", "today out"}));
    EXPECT_EQ(viewer.state().caption, "Storico del periodo 05/01/2026 - 05/01/2026 Badge 0012");
    viewer.setBadgeText("000099");
    viewer.badgeConfirmed();
    EXPECT_EQ(temp(), std::vector<std::string>{"other badge"});
    viewer.chooseAllBadges();
    EXPECT_FALSE(viewer.state().badgeVisible);
    EXPECT_EQ(temp().size(), 3u);
}

TEST_F(HistoryViewerTest, DeletionAsksFirstAndANoDeletesNothing) {
    viewer.open();
    op.queueAnswer(Answer::No);
    viewer.deleteHistory();
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].kind, ScriptedOperator::Kind::Question);
    EXPECT_EQ(op.shown[0].text, "Cancellare storico da 05/01/2026 a 05/01/2026 ?");
    EXPECT_EQ(op.shown[1].text, "Cancellazione annullata ");
    EXPECT_EQ(viewer.state().caption, "Cancellazione in corso");
    EXPECT_EQ(transits().size(), 4u);
    EXPECT_EQ(temp().size(), 2u);
}

TEST_F(HistoryViewerTest, WhatMustGoInFirstRunsAfterTheYesAndBeforeTheDeletion) {
    viewer.open();
    std::vector<std::size_t> transitsSeen;
    viewer.setBeforeDeletion([&] { transitsSeen.push_back(transits().size()); });
    op.queueAnswer(Answer::No);
    viewer.deleteHistory();
    EXPECT_TRUE(transitsSeen.empty()); // a deletion that does not happen stores nothing first
    op.queueAnswer(Answer::Yes);
    viewer.deleteHistory();
    EXPECT_EQ(transitsSeen, std::vector<std::size_t>{4u}); // before the deletion ran
    EXPECT_EQ(transits().size(), 2u);
}

// "Solo Storia Odierna" after "Storia Completa": the deletion that follows asks for, and deletes,
// today only.
TEST_F(HistoryViewerTest, TodayOnlyAfterTheWholeHistoryDeletesTodayOnly) {
    viewer.open();
    viewer.chooseWhole();
    EXPECT_EQ(viewer.state().caption, "Storico totale");
    EXPECT_EQ(temp().size(), 4u);
    viewer.chooseTodayOnly();
    op.clear();
    op.queueAnswer(Answer::Yes);
    viewer.deleteHistory();
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Cancellare storico da 05/01/2026 a 05/01/2026 ?"});
    EXPECT_EQ(transits(), (std::vector<std::string>{"yesterday", "tomorrow"}));
    // Afterwards the viewer shows the whole history that is left.
    EXPECT_EQ(viewer.state().caption, "Storico totale");
    EXPECT_EQ(temp(), (std::vector<std::string>{"yesterday", "tomorrow"}));
    EXPECT_EQ(viewer.state().recordsText, "Records trovati : 2");
}

TEST_F(HistoryViewerTest, DeletingATypedPeriodAndThenEverything) {
    viewer.open();
    typePeriod("04/01/2026", "05/01/2026");
    op.queueAnswer(Answer::Yes);
    viewer.deleteHistory();
    EXPECT_FALSE(viewer.state().periodFrameVisible);
    EXPECT_EQ(op.shown.at(0).text, "Cancellare storico da 04/01/2026 a 05/01/2026 ?");
    EXPECT_EQ(transits(), std::vector<std::string>{"tomorrow"});

    op.clear();
    op.queueAnswer(Answer::Yes);
    viewer.chooseWhole();
    viewer.deleteHistory();
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Cancellare complertamente storico ?"});
    EXPECT_TRUE(transits().empty());
    EXPECT_TRUE(temp().empty());
    EXPECT_EQ(viewer.state().recordsText, "Records trovati : 0");
    EXPECT_FALSE(viewer.state().busy);
}

TEST_F(HistoryViewerTest, ChangingThePeriodClearsTheView) {
    viewer.open();
    viewer.chooseWhole();
    viewer.choosePartial();
    const auto& s = viewer.state();
    EXPECT_TRUE(s.periodFrameVisible && s.changePeriodVisible);
    EXPECT_FALSE(s.gridVisible);
    EXPECT_FALSE(viewer.choices().wholeHistory);
    EXPECT_EQ(s.caption, std::string(10, ' '));
    EXPECT_EQ(s.recordsText, "Records trovati : 0");
}

TEST_F(HistoryViewerTest, AttendanceShowsTheTurnstileMessageOnlyWhenInOutWasMet) {
    viewer.open();
    auto result = viewer.computeAttendance();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->rows, 1);
    EXPECT_TRUE(op.shown.empty());
    addTransits(*install.db(), {on("05/01/2026", "turnstile", "InOut")});
    viewer.search();
    result = viewer.computeAttendance();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(op.texts(),
              std::vector<std::string>{"Riscontrati passaggi da tornelli Inout. Sono stati considerati "
                                       "come non avvenuti. I dati di presenza potranno risultare non "
                                       "corretti"});
}

} // namespace
} // namespace sentinex
