#include "store/SqlStatement.hpp"

#include "store/Database.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::TempDir;

// The typed binds write what they are given, a borrowed text is read at the step (a buffer rewritten
// and bound again gives the new text), and the in-place reads tell Null from the empty text.
TEST(SqlStatement, TypedBindsAndInPlaceReadsKeepTypesNullAndText) {
    TempDir dir;
    auto db = Database::create(dir.file("t.mdb"), "CREATE TABLE t (a, b, c, d);", false);
    SqlStatement insert(db->handle(), "INSERT INTO t VALUES (?, ?, ?, ?)");
    std::string buffer = "primo";
    for (int round = 0; round < 2; ++round) {
        SqlStatement::ResetOnExit reset(insert);
        insert.bindBorrowedText(1, buffer);
        insert.bindInt(2, round == 0 ? 7 : -3000000000LL);
        insert.bindDouble(3, 0.25 + round);
        if (round == 0) {
            insert.bindNull(4);
        } else {
            insert.bindBorrowedText(4, std::string_view());
        }
        EXPECT_FALSE(insert.step());
        buffer = "secondo, più lungo";
    }
    EXPECT_THROW(insert.bindInt(5, 1), DatabaseError);

    SqlStatement read(db->handle(),
                      "SELECT a, b, c, d, typeof(b), typeof(c), typeof(d) FROM t ORDER BY rowid");
    const struct {
        const char* a;
        const char* b;
        double c;
        bool dNull;
        const char* types;
    } expected[] = {{"primo", "7", 0.25, true, "integer real null"},
                    {"secondo, più lungo", "-3000000000", 1.25, false, "integer real text"}};
    for (const auto& e : expected) {
        ASSERT_TRUE(read.step());
        EXPECT_EQ(read.columnView(0), e.a);
        EXPECT_EQ(read.columnText(1), e.b);
        EXPECT_DOUBLE_EQ(read.columnDouble(2), e.c);
        EXPECT_EQ(read.columnIsNull(3), e.dNull);
        EXPECT_EQ(read.columnView(3), "");
        EXPECT_EQ(read.columnText(4) + " " + read.columnText(5) + " " + read.columnText(6), e.types);
    }
    EXPECT_FALSE(read.step());
}

} // namespace
} // namespace sentinex
