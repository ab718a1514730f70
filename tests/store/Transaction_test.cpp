#include "store/Database.hpp"
#include "store/Transaction.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::TestInstall;

std::int64_t count(Database& db, const char* table) {
    return db.query(std::string("SELECT COUNT(*) FROM ") + table)[0][0].toInt();
}

TEST(Transaction, WritesLandTogetherOnCommitAndNotAtAllWithout) {
    TestInstall inst;
    Database& db = *inst.db();
    {
        Transaction tx(db);
        db.execute("INSERT INTO transiti(NumeroBadge, Passaggio, nota) VALUES (?, 1, 'Passaggio')", {"0042"});
        db.execute("INSERT INTO presenti(NumeroBadge) VALUES (?)", {"0042"});
        // Seen from a second connection, nothing is there before the commit.
        auto other = Database::open(inst.folder().database());
        EXPECT_EQ(count(*other, "transiti"), 0);
        tx.commit();
        EXPECT_EQ(count(*other, "transiti"), 1);
        EXPECT_EQ(count(*other, "presenti"), 1);
    }
    {
        Transaction tx(db);
        db.execute("INSERT INTO transiti(NumeroBadge, Passaggio, nota) VALUES (?, 1, 'Passaggio')", {"0043"});
        db.execute("INSERT INTO presenti(NumeroBadge) VALUES (?)", {"0043"});
    } // abandoned: rolled back
    EXPECT_EQ(count(db, "transiti"), 1);
    EXPECT_EQ(count(db, "presenti"), 1);
    // The connection is usable again afterwards.
    Transaction again(db);
    again.commit();
}

} // namespace
} // namespace sentinex
