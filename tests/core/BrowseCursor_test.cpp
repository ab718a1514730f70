#include "core/BrowseCursor.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

BrowseTexts bandTexts() {
    return {"Nuovo", "Annulla", "Modifica", "Salva nuovo", "Salva modifica",
            "",      " / ",     "0",        "Nuovo",       "Modifica..."};
}

TEST(BrowseCursorTest, NavigationMovesOnlyInBrowseModeAndWithinTheRecords) {
    BrowseCursor cursor(bandTexts());
    cursor.reset(3);
    EXPECT_EQ(cursor.position(), 1);
    EXPECT_FALSE(cursor.first());    // already there
    EXPECT_FALSE(cursor.previous()); // nothing before the first
    EXPECT_TRUE(cursor.last());
    EXPECT_EQ(cursor.position(), 3);
    EXPECT_FALSE(cursor.next());
    EXPECT_TRUE(cursor.previous());
    EXPECT_EQ(cursor.position(), 2);
    ASSERT_TRUE(cursor.beginModify());
    EXPECT_FALSE(cursor.first()) << "a record being modified cannot be left by navigation";
    EXPECT_EQ(cursor.position(), 2);

    BrowseCursor empty(bandTexts());
    empty.reset(0);
    EXPECT_EQ(empty.position(), 0);
    EXPECT_FALSE(empty.first());
    EXPECT_FALSE(empty.last());
    EXPECT_FALSE(empty.beginModify()) << "no record to modify";
    EXPECT_TRUE(empty.beginNew());
    EXPECT_FALSE(empty.beginNew()) << "a second New while one is typed does nothing";
}

TEST(BrowseCursorTest, ViewFollowsTheMode) {
    BrowseCursor cursor(bandTexts());
    cursor.reset(2);
    BrowseView browse = cursor.view();
    EXPECT_EQ(browse.counter, "1 / 2");
    EXPECT_EQ(browse.newOrCancelCaption, "Nuovo");
    EXPECT_EQ(browse.modifyOrSaveCaption, "Modifica");
    EXPECT_TRUE(browse.navigate);
    EXPECT_FALSE(browse.first);
    EXPECT_TRUE(browse.next);
    EXPECT_TRUE(browse.modifyOrSave);
    EXPECT_TRUE(browse.remove);
    EXPECT_TRUE(browse.exit);

    cursor.beginNew();
    const BrowseView adding = cursor.view();
    EXPECT_EQ(adding.counter, "Nuovo");
    EXPECT_EQ(adding.newOrCancelCaption, "Annulla");
    EXPECT_EQ(adding.modifyOrSaveCaption, "Salva nuovo");
    EXPECT_FALSE(adding.navigate || adding.next || adding.remove || adding.exit);
    EXPECT_TRUE(adding.modifyOrSave);

    cursor.cancel(2);
    cursor.beginModify();
    EXPECT_EQ(cursor.view().counter, "Modifica...");
    EXPECT_EQ(cursor.view().modifyOrSaveCaption, "Salva modifica");

    cursor.cancel(2);
    EXPECT_EQ(cursor.view(), browse);

    BrowseCursor readers({"Nuovo lettore", "Annulla", "Modifica dati lettore", "Salva", "Salva", "Record ",
                          " su ", "Nessun lettore presente", "Nuovo...", "Modifica..."});
    readers.reset(0);
    EXPECT_EQ(readers.view().counter, "Nessun lettore presente");
    EXPECT_FALSE(readers.view().modifyOrSave);
    EXPECT_FALSE(readers.view().remove);
    readers.reset(4);
    readers.last();
    EXPECT_EQ(readers.view().counter, "Record 4 su 4");
}

TEST(BrowseCursorTest, SaveCancelAndDeleteLandOnTheRightRecord) {
    struct Case {
        const char* what;
        std::int64_t count;
        std::int64_t at;
        void (*act)(BrowseCursor&);
        std::int64_t position;
        std::int64_t countAfter;
    };
    const Case cases[] = {
        {"new saved goes to the last", 3, 2, [](BrowseCursor& c) { c.beginNew(), c.saved(4); }, 4, 4},
        {"new saved at a given place", 3, 2, [](BrowseCursor& c) { c.beginNew(), c.saved(4, 1); }, 1, 4},
        {"modify saved stays", 3, 2, [](BrowseCursor& c) { c.beginModify(), c.saved(3); }, 2, 3},
        {"cancel of new goes back", 3, 2, [](BrowseCursor& c) { c.beginNew(), c.cancel(3); }, 2, 3},
        {"cancel after the shown record went", 3, 3, [](BrowseCursor& c) { c.beginModify(), c.cancel(2); }, 2,
         2},
        {"cancel with nothing left", 1, 1, [](BrowseCursor& c) { c.beginNew(), c.cancel(0); }, 0, 0},
        {"delete goes to the first", 3, 3, [](BrowseCursor& c) { c.removed(2); }, 1, 2},
        {"delete of the last one", 1, 1, [](BrowseCursor& c) { c.removed(0); }, 0, 0},
    };
    for (const Case& c : cases) {
        BrowseCursor cursor(bandTexts());
        cursor.reset(c.count);
        cursor.moveTo(c.at);
        c.act(cursor);
        EXPECT_EQ(cursor.position(), c.position) << c.what;
        EXPECT_EQ(cursor.count(), c.countAfter) << c.what;
        EXPECT_FALSE(cursor.editing()) << c.what;
    }
}

} // namespace
} // namespace sentinex
