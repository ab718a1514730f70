#include "readers/ReaderList.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <functional>

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

    ReaderStore store(inst.db());
    ReaderList list;
    const auto result = list.load(store);
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
    EXPECT_EQ(e.posCarta[1], 1);
    EXPECT_EQ(e.posCarta[3], 13);
    EXPECT_EQ(e.posCodice[0], 4);
    EXPECT_EQ(e.posCodice[3], 7);
    EXPECT_EQ(e.posCodice[4], 8);
    EXPECT_EQ(e.posCodice[5], 99);
    EXPECT_EQ(e.state, "Out");
    // Direction from the exact `Stato`: anything but "Out" and "In" is both ways.
    const std::int16_t directions[] = {0, 1, 2, 2, 2, 2, 2};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(list.entry(i).direction, directions[i])
            << "reader " << i + 1 << " Stato '" << list.entry(i).state << "'";
    }
    EXPECT_EQ(list.entry(1).address, 2) << "stored order, not the order of the addresses";
    EXPECT_EQ(list.entry(6).state, " In") << "Stato as stored";
}

TEST(ReaderList, TakesAtMostSixtyFourAndSaysWhenTheTableHeldMore) {
    const struct {
        int stored;
        int loaded;
        bool truncated;
    } cases[] = {{0, 0, false}, {63, 63, false}, {64, 64, false}, {65, 64, true}, {66, 64, true}};
    for (const auto& c : cases) {
        TestInstall inst;
        TestInstall::Reader r;
        for (int i = 0; i < c.stored; ++i) {
            r.NumeroLoop = 1 + i / 32;
            r.NumeroIndirizzo = i % 32;
            inst.addReader(r);
        }
        ReaderStore store(inst.db());
        ReaderList list;
        const auto result = list.load(store);
        EXPECT_EQ(result.truncated, c.truncated) << c.stored << " stored";
        EXPECT_EQ(result.loaded, c.loaded) << c.stored << " stored";
        ASSERT_EQ(list.count(), c.loaded) << c.stored << " stored";
        if (c.loaded > 0) {
            const ReaderEntry& last = list.entry(c.loaded - 1);
            EXPECT_EQ(last.loop, 1 + (c.loaded - 1) / 32) << c.stored << " stored";
            EXPECT_EQ(last.address, (c.loaded - 1) % 32) << c.stored << " stored";
        }
    }
}

TEST(ReaderList, ReloadReplacesTheListAndAFailedLoadKeepsIt) {
    TestInstall inst;
    TestInstall::Reader r;
    inst.addReader(r);
    r.NumeroIndirizzo = 2;
    inst.addReader(r);
    ReaderStore store(inst.db());
    ReaderList list;
    list.load(store);
    ASSERT_EQ(list.count(), 2);

    // A reader added after a delete goes last, behind those that were stored before it.
    inst.db()->execute("DELETE FROM Lettori WHERE rowid = 1");
    r.NumeroIndirizzo = 30;
    inst.addReader(r);
    list.load(store);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.entry(0).address, 2);
    EXPECT_EQ(list.entry(1).address, 30);

    inst.db()->execute("ALTER TABLE Lettori RENAME TO LettoriAltrove");
    EXPECT_THROW(list.load(store), DatabaseError);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.entry(0).address, 2);
    EXPECT_EQ(list.entry(1).address, 30);
}

TEST(ReaderList, NumbersAreClampedIntoTheirFields) {
    using Field = std::function<std::int64_t(const ReaderEntry&)>;
    const Field address = [](const ReaderEntry& e) { return e.address; };
    const Field site = [](const ReaderEntry& e) { return e.siteCode; };
    const Field delay = [](const ReaderEntry& e) { return e.delay; };
    const Field loop = [](const ReaderEntry& e) { return e.loop; };
    const Field carta = [](const ReaderEntry& e) { return e.posCarta[1]; };
    const struct {
        const char* assignment;
        Field field;
        std::int64_t expected;
    } cases[] = {
        {"NumeroIndirizzo = 100000", address, 32767},
        {"NumeroIndirizzo = 32767", address, 32767},
        {"NumeroLoop = -32769", loop, -32768},
        {"Ritardo = -70000", delay, -32768},
        {"CodiceImpianto = '99999999999'", site, 2147483647},
        {"CodiceImpianto = '-99999999999'", site, -2147483648LL},
        {"CodiceImpianto = '2147483647'", site, 2147483647},
        {"CodiceImpianto = 'ABC'", site, 0},
        {"PosCarta2 = 1e10", carta, 32767},
        {"PosCarta2 = 2.5", carta, 2},
        {"PosCarta2 = '3.5'", carta, 4},
    };
    for (const auto& c : cases) {
        TestInstall inst;
        inst.addReader({});
        inst.db()->execute(std::string("UPDATE Lettori SET ") + c.assignment);
        ReaderStore store(inst.db());
        ReaderList list;
        list.load(store);
        ASSERT_EQ(list.count(), 1) << c.assignment;
        EXPECT_EQ(c.field(list.entry(0)), c.expected) << c.assignment;
    }
}

} // namespace
} // namespace sentinex
