#include "HistoryFixture.hpp"

#include "history/SelectionPages.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::TestInstall;

void fillTemp(Database& rep, int from, int count) {
    rep.execute("DELETE FROM temp");
    for (int i = from; i < from + count; ++i) {
        rep.execute(
            "INSERT INTO temp (Cognome, Nome, NumeroBadge, Data, Ora, causale, verso, nota, passaggio) "
            "VALUES (?, 'Mario', '0012', '05/01/2026', '08:00', 'Ingresso', 'In', 'Passaggio', ?)",
            {"Rossi" + std::to_string(i), i % 2});
    }
}

TEST(SelectionPagesTest, ReadsTheWholeSelectionPageByPageInCopyOrder) {
    TestInstall install;
    Database& rep = *install.reportDb();
    rep.executeScript("BEGIN");
    fillTemp(rep, 0, 2500);
    rep.executeScript("COMMIT");
    SelectionPages pages(install.reportDb());
    ASSERT_EQ(pages.restart(), 2500);
    std::vector<SelectionPages::Row> all;
    std::vector<std::size_t> sizes;
    while (!pages.atEnd()) {
        auto page = pages.next(1000);
        sizes.push_back(page.size());
        all.insert(all.end(), page.begin(), page.end());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1000, 1000, 500}));
    ASSERT_EQ(all.size(), 2500u);
    for (int i = 0; i < 2500; ++i) {
        ASSERT_EQ(all[static_cast<std::size_t>(i)].at(0), "Rossi" + std::to_string(i));
    }
    EXPECT_EQ(all[1], (SelectionPages::Row{"Rossi1", "Mario", "0012", "05/01/2026", "08:00", "Ingresso", "In",
                                           "Passaggio", "Sì"}));
    EXPECT_EQ(all[0].back(), "No");
    EXPECT_EQ(all[0].size(), SelectionPages::columnCaptions().size());

    // A new selection is read from its start; an empty one has nothing to read.
    fillTemp(rep, 7000, 3);
    ASSERT_EQ(pages.restart(), 3);
    const auto again = pages.next(1000);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0][0], "Rossi7000");
    EXPECT_TRUE(pages.atEnd());
    rep.execute("DELETE FROM temp");
    EXPECT_EQ(pages.restart(), 0);
    EXPECT_TRUE(pages.atEnd());
    EXPECT_TRUE(pages.next(10).empty());
}

} // namespace
} // namespace sentinex
