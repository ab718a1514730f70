#include "readers/programming/ReaderForm.hpp"
#include "readers/programming/ReaderRecord.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::TestInstall;

ReaderRecord readerAt(int address, const std::string& type = "NANO NN-K") {
    ReaderForm f = ReaderForm::cleared(true, false);
    f.type = type;
    f.location = "Porta " + std::to_string(address);
    f.siteCode = "000042";
    f.opening = "4";
    f.state = "In";
    f.address = std::to_string(address);
    return ReaderRecord::fromForm(f);
}

TEST(ReaderRecord, LocationIsPaddedOrCutToEightCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"INGRESSO PRINCIPALE", "INGRESSO"}, {"BAR", "BAR     "}, {"", "        "}, {"12345678", "12345678"}};
    for (const auto& [typed, stored] : cases) {
        ReaderForm f;
        f.location = typed;
        EXPECT_EQ(ReaderRecord::fromForm(f).SituatoPresso, stored) << typed;
    }
}

TEST(ReaderStore, SavedRecordReadsBackAndShowsAsTheFormTypedIt) {
    TestInstall inst;
    ReaderStore store(inst.db());
    ReaderForm f = ReaderForm::cleared(false, true);
    f.type = "TERA TR-X";
    f.location = "INGRESSO PRINCIPALE";
    f.siteCode = "004567";
    f.opening = "12";
    f.state = "Out";
    f.cardPos[3] = "13";
    f.codePos[5] = "99";
    f.loop = "3";
    f.address = "17";
    f.testInput = true;
    f.fasceOrarie = true;
    store.add(ReaderRecord::fromForm(f));
    ASSERT_EQ(store.count(), 1);

    const ReaderForm shown = store.at(1).toForm();
    EXPECT_EQ(shown.type, "TERA TR-X");
    EXPECT_EQ(shown.location, "INGRESSO");
    EXPECT_EQ(shown.siteCode, "004567");
    EXPECT_EQ(shown.opening, "12");
    EXPECT_EQ(shown.state, "Out");
    EXPECT_EQ(shown.cardPos[3], "13");
    EXPECT_EQ(shown.codePos[5], "99");
    EXPECT_EQ(shown.loop, "3");
    EXPECT_EQ(shown.address, "17");
    EXPECT_FALSE(shown.riscriviRam);
    EXPECT_TRUE(shown.testInput);
    EXPECT_TRUE(shown.fasceOrarie);
    // The stored fields are numbers, so the polling reads them as it reads any reader.
    const auto row =
        inst.db()->query("SELECT typeof(NumeroIndirizzo), typeof(Ritardo), CodiceImpianto FROM Lettori");
    EXPECT_EQ(row.at(0).at(0).toString(), "integer");
    EXPECT_EQ(row.at(0).at(1).toString(), "integer");
    EXPECT_EQ(row.at(0).at(2).toString(), "004567");
}

TEST(ReaderStore, UpdateRewritesOnlyTheReaderAtItsPosition) {
    TestInstall inst;
    ReaderStore store(inst.db());
    for (int a = 1; a <= 3; ++a) {
        store.add(readerAt(a));
    }
    ReaderRecord changed = readerAt(9, "TERA TR-Y1");
    store.update(2, changed);
    const auto all = store.all();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].NumeroIndirizzo, 1);
    EXPECT_EQ(all[1].NumeroIndirizzo, 9);
    EXPECT_EQ(all[1].TipoLettore, "TERA TR-Y1");
    EXPECT_EQ(all[2].NumeroIndirizzo, 3);
    EXPECT_THROW(store.update(4, changed), std::out_of_range);
    EXPECT_THROW(store.at(0), std::out_of_range);
}

TEST(ReaderStore, SixtyFourReadersAtMost) {
    TestInstall inst;
    ReaderStore store(inst.db());
    for (int i = 0; i < 63; ++i) {
        store.add(readerAt(i % 32));
    }
    EXPECT_FALSE(store.full());
    store.add(readerAt(5));
    EXPECT_TRUE(store.full());
    EXPECT_THROW(store.add(readerAt(6)), std::length_error);
    EXPECT_EQ(store.count(), 64);
    EXPECT_EQ(std::string(ReaderStore::FullText), "Massimo 64 lettori.");
}

// Every user keeps the doors it had: reader identity (its address) -> the user's flag for it.
std::map<int, char> doorsOf(TestInstall& inst, std::int64_t user) {
    ReaderStore store(inst.db());
    const std::string lettore =
        inst.db()
            ->query("SELECT Lettore FROM Carte WHERE rowid = ?", {Value(static_cast<long long>(user))})
            .at(0)
            .at(0)
            .toString();
    std::map<int, char> doors;
    const auto all = store.all();
    for (std::size_t i = 0; i < all.size(); ++i) {
        doors[static_cast<int>(all[i].NumeroIndirizzo)] = lettore.at(i);
    }
    return doors;
}

TEST(ReaderStore, DeletingAReaderKeepsEveryUsersDoors) {
    const std::vector<std::string> patterns = {
        "1010110000000000000000000000000000000000000000000000000000000000",
        "0111111111111111111111111111111111111111111111111111111111111111",
        std::string(64, '1'),
    };
    for (int position : {1, 2, 5}) {
        TestInstall inst;
        ReaderStore store(inst.db());
        for (int a = 1; a <= 5; ++a) {
            store.add(readerAt(a));
        }
        std::vector<std::int64_t> users;
        for (const std::string& p : patterns) {
            TestInstall::User u;
            u.Lettore = p;
            users.push_back(inst.addUser(u));
        }
        std::vector<std::map<int, char>> before;
        for (std::int64_t u : users) {
            before.push_back(doorsOf(inst, u));
        }

        store.remove(position);

        ASSERT_EQ(store.count(), 4) << "position " << position;
        for (std::size_t i = 0; i < users.size(); ++i) {
            auto expected = before[i];
            expected.erase(position); // the reader at `position` had address `position`
            EXPECT_EQ(doorsOf(inst, users[i]), expected) << "position " << position << " user " << i;
            const std::string lettore = inst.db()
                                            ->query("SELECT Lettore FROM Carte WHERE rowid = ?",
                                                    {Value(static_cast<long long>(users[i]))})
                                            .at(0)
                                            .at(0)
                                            .toString();
            ASSERT_EQ(lettore.size(), 64u);
            EXPECT_EQ(lettore.back(), '0') << "a door appended for a future reader starts closed";
            std::string shifted = patterns[i];
            shifted.erase(static_cast<std::size_t>(position - 1), 1);
            EXPECT_EQ(lettore, shifted + "0");
        }
    }
}

TEST(ReaderStore, DeleteLeavesAShortLettoreAlone) {
    TestInstall inst;
    ReaderStore store(inst.db());
    for (int a = 1; a <= 3; ++a) {
        store.add(readerAt(a));
    }
    TestInstall::User u;
    u.Lettore = "11";
    const auto id = inst.addUser(u);
    store.remove(3);
    EXPECT_EQ(inst.db()
                  ->query("SELECT Lettore FROM Carte WHERE rowid = ?", {Value(static_cast<long long>(id))})
                  .at(0)
                  .at(0)
                  .toString(),
              "11");
    EXPECT_THROW(store.remove(3), std::out_of_range);
    EXPECT_EQ(store.count(), 2);
}

TEST(ReaderStore, DeleteAndDoorShiftAreOneTransaction) {
    TestInstall inst;
    ReaderStore store(inst.db());
    for (int a = 1; a <= 3; ++a) {
        store.add(readerAt(a));
    }
    TestInstall::User u;
    u.Lettore = "0110000000000000000000000000000000000000000000000000000000000000";
    const auto id = inst.addUser(u);
    // The users' update fails: the reader must still be there, and the doors unchanged.
    inst.db()->executeScript("CREATE TRIGGER refuse BEFORE UPDATE OF Lettore ON Carte "
                             "BEGIN SELECT RAISE(ABORT, 'locked'); END;");
    EXPECT_THROW(store.remove(2), DatabaseError);
    EXPECT_EQ(store.count(), 3);
    EXPECT_EQ(store.at(2).NumeroIndirizzo, 2);
    EXPECT_EQ(inst.db()
                  ->query("SELECT Lettore FROM Carte WHERE rowid = ?", {Value(static_cast<long long>(id))})
                  .at(0)
                  .at(0)
                  .toString(),
              u.Lettore);
}

} // namespace
} // namespace sentinex
