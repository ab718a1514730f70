#include "ui/history/HistoryGridModel.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

/// A selection of `rows` transits in the report database's `temp`.
void fillSelection(Database& report, int rows) {
    for (int i = 0; i < rows; ++i) {
        report.execute(
            "INSERT INTO temp (NumeroBadge, Cognome, Nome, Data, Ora) VALUES (?, 'Rossi', 'Mario', "
            "'05/01/2026', '08:00')",
            {std::to_string(i)});
    }
}

TEST(HistoryGridModelTest, APageTheStoreRefusesWhileScrollingIsShownOnceAndTheGridKeepsItsRows) {
    TestInstall install;
    fillSelection(*install.reportDb(), 1200);
    ScriptedOperator op;
    HistoryGridModel model(install.reportDb(), op);
    model.showSelection();
    const int firstPage = model.rowCount();
    ASSERT_GT(firstPage, 0);
    ASSERT_TRUE(model.canFetchMore({}));

    install.reportDb()->execute("DROP TABLE temp");
    EXPECT_NO_THROW(model.fetchMore({})) << "a failure must not travel into the view's layout";
    EXPECT_EQ(model.rowCount(), firstPage);
    EXPECT_FALSE(model.canFetchMore({})) << "the grid stops asking for more";
    EXPECT_TRUE(op.shown.empty()) << "no box in the middle of the view's work";
    QCoreApplication::processEvents();
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    EXPECT_EQ(op.shown[0].text.rfind(SlotGuard::StoreErrorPrefix, 0), 0u) << op.shown[0].text;

    EXPECT_THROW(model.showSelection(), DatabaseError) << "the caller's guard shows a failed search";
    EXPECT_EQ(model.rowCount(), 0) << "a failed search leaves an empty grid, not half of the old one";
    EXPECT_FALSE(model.canFetchMore({}));
}

} // namespace
} // namespace sentinex
