#include "readers/ReaderList.hpp"
#include "store/RecordSet.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::TestInstall;

TEST(ReaderList, CopiesEveryFieldInStoredOrder) {
    TestInstall inst;
    TestInstall::Reader r;
    r.TipoLettore = "TERA TR-X";
    r.NumeroLoop = 3;
    r.NumeroIndirizzo = 17;
    r.SituatoPresso = "Magazz";
    r.CodiceImpianto = "004567";
    r.Ritardo = 5;
    r.PosCarta[0] = 10;
    r.PosCarta[3] = 13;
    r.PosCodice[5] = 99;
    r.Stato = "Out";
    inst.addReader(r);
    r.NumeroIndirizzo = 2;
    r.Stato = "In";
    inst.addReader(r);
    for (const char* stato : {"InOut", "in", "OUT", "", " In"}) {
        r.Stato = stato;
        inst.addReader(r);
    }
    // Floating values of whole numbers, as an older form may have stored them.
    inst.db()->execute("UPDATE Lettori SET PosCodice4 = '7', PosCodice5 = 8.0 WHERE rowid = 1");

    RecordSet lettori(inst.db(), "Lettori");
    ReaderList list;
    const auto result = list.load(lettori);
    EXPECT_EQ(result.loaded, 7);
    EXPECT_FALSE(result.truncated);
    ASSERT_EQ(list.count(), 7);
    const ReaderEntry& e = list.entry(0);
    EXPECT_EQ(e.type, "TERA TR-X");
    EXPECT_EQ(e.loop, 3);
    EXPECT_EQ(e.address, 17);
    EXPECT_EQ(e.location, "Magazz  ");
    EXPECT_EQ(e.siteCode, 4567);
    EXPECT_EQ(e.delay, 5);
    EXPECT_EQ(e.posCarta[0], 10);
    EXPECT_EQ(e.posCarta[3], 13);
    EXPECT_EQ(e.posCodice[3], 7);
    EXPECT_EQ(e.posCodice[4], 8);
    EXPECT_EQ(e.posCodice[5], 99);
    EXPECT_EQ(e.state, "Out");
    const std::int16_t directions[] = {0, 1, 2, 2, 2, 2, 2};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(list.entry(i).direction, directions[i])
            << "reader " << i + 1 << " Stato '" << list.entry(i).state << "'";
    }
    EXPECT_EQ(list.entry(1).address, 2);
    EXPECT_FALSE(lettori.eof()) << "the record set is refreshed after the load";
}

TEST(ReaderList, MoreThanSixtyFourRecordsLoadTheFirstSixtyFour) {
    TestInstall inst;
    TestInstall::Reader r;
    for (int i = 0; i < 66; ++i) {
        r.NumeroLoop = 1 + i / 32;
        r.NumeroIndirizzo = i % 32;
        inst.addReader(r);
    }
    RecordSet lettori(inst.db(), "Lettori");
    ReaderList list;
    const auto result = list.load(lettori);
    EXPECT_TRUE(result.truncated);
    EXPECT_EQ(result.loaded, 64);
    EXPECT_EQ(list.count(), 64);
    EXPECT_EQ(list.entry(63).loop, 2);
    EXPECT_EQ(list.entry(63).address, 31);
    EXPECT_THROW(list.entry(64), std::out_of_range);
}

TEST(ReaderList, ReloadReplacesTheListAndAFailedLoadKeepsIt) {
    TestInstall inst;
    TestInstall::Reader r;
    inst.addReader(r);
    inst.addReader(r);
    RecordSet lettori(inst.db(), "Lettori");
    ReaderList list;
    list.load(lettori);
    ASSERT_EQ(list.count(), 2);
    inst.db()->execute("DELETE FROM Lettori WHERE rowid = 1");
    list.load(lettori);
    EXPECT_EQ(list.count(), 1);

    inst.db()->execute("DROP TABLE Lettori");
    EXPECT_THROW(list.load(lettori), DatabaseError);
    EXPECT_EQ(list.count(), 1);
}

TEST(ReaderList, OutOfRangeNumbersAreClampedToTheirFields) {
    TestInstall inst;
    inst.addReader({});
    inst.db()->execute(
        "UPDATE Lettori SET NumeroIndirizzo = 100000, CodiceImpianto = '99999999999', Ritardo = -70000");
    RecordSet lettori(inst.db(), "Lettori");
    ReaderList list;
    list.load(lettori);
    EXPECT_EQ(list.entry(0).address, 32767);
    EXPECT_EQ(list.entry(0).siteCode, 2147483647);
    EXPECT_EQ(list.entry(0).delay, -32768);
}

} // namespace
} // namespace sentinex
