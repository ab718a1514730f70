#include "masterdata/BandStore.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

class BandStoreTest : public ::testing::Test {
protected:
    Value userField(std::int64_t key, const std::string& name) {
        return install.db()->query("SELECT " + name + " FROM Carte WHERE rowid = ?", {key}).at(0).at(0);
    }
    Value bandField(std::int64_t key, const std::string& name) {
        return install.db()->query("SELECT " + name + " FROM Fasce WHERE rowid = ?", {key}).at(0).at(0);
    }
    std::int64_t userOfBand(const std::string& card, const std::string& band) {
        return install.addUser({.NumeroCarta = card, .extra = {{"NomeFascia", band}, {"Lun_1_da", "05:00"}}});
    }
    static BandRecord named(const std::string& name) {
        BandRecord record;
        record.name = name;
        return record;
    }

    TestInstall install;
    BandStore store{install.db()};
    ScriptedOperator op;
};

TEST_F(BandStoreTest, UntouchedNewBandPassesAndStoresUnsetTimes) {
    ASSERT_TRUE(store.validate(named("Notte"), std::nullopt, op));
    EXPECT_TRUE(op.shown.empty());
    const std::int64_t key = store.save(named("Notte"), std::nullopt);
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        EXPECT_EQ(bandField(key, BandTimes::timeField(i)), Value("##:##")) << BandTimes::timeField(i);
    }
    for (int d = 0; d < BandTimes::Days; ++d) {
        EXPECT_EQ(bandField(key, BandTimes::dayField(d)), Value(0));
    }
    EXPECT_EQ(bandField(key, "Quanti"), Value(0));
    EXPECT_EQ(store.count(), 1);
    EXPECT_EQ(store.atPosition(1)->record, named("Notte"));
}

TEST_F(BandStoreTest, ValidationMessagesInOrder) {
    store.save(named("Giorno"), std::nullopt);
    struct Case {
        const char* name;
        int slot;          // time index to set, -1 none
        const char* value; // its text
        int slot2;
        const char* value2;
        std::vector<std::string> messages;
    };
    const std::string fmt = "Formato dell'orario HH:MM";
    const std::string err = "Errore nell'orario.";
    const Case cases[] = {
        {"", -1, "", -1, "", {BandStore::NoNameText}},
        {"   ", -1, "", -1, "", {BandStore::NameTakenText}},
        {" Giorno ", -1, "", -1, "", {BandStore::NameTakenText}},
        {"giorno", -1, "", -1, "", {}}, // names compare with case
        // Tuesday first-from "8:30": its message, then the day's.
        {"N", 4, "8:30", -1, "", {fmt, "Controllare il giorno MARTEDI'."}},
        {"N", 0, "24:00", -1, "", {err, "Controllare il giorno LUNEDI'."}},
        // Two bad boxes of one day: each its message, then the day once.
        {"N", 24, "7:00", 27, "25:00", {fmt, err, "Controllare il giorno DOMENICA."}},
        // The format pass runs over every day before the order pass.
        {"N", 0, "08:00", 26, "x", {fmt, "Controllare il giorno DOMENICA."}},
        {"N", 8, "08:00", 9, "08:00", {err, "Controllare il giorno MERCOLEDI'."}},
        {"N", 8, "08:00", 9, "##:##", {err, "Controllare il giorno MERCOLEDI'."}},
        {"N", 20, "23:59", 21, "##:##", {err, "Controllare il giorno SABATO."}},
        {"N", 12, "08:00", 13, "23:59", {}},
    };
    for (const auto& c : cases) {
        BandRecord record = named(c.name);
        if (c.slot >= 0) {
            record.band.times[static_cast<std::size_t>(c.slot)] = c.value;
        }
        if (c.slot2 >= 0) {
            record.band.times[static_cast<std::size_t>(c.slot2)] = c.value2;
        }
        op.clear();
        EXPECT_EQ(store.validate(record, std::nullopt, op), c.messages.empty()) << c.name << c.value;
        EXPECT_EQ(op.texts(), c.messages) << c.name << " " << c.value << " " << c.value2;
        for (const auto& shown : op.shown) {
            EXPECT_EQ(shown.title, "Attenzione");
            EXPECT_EQ(shown.icon, MsgIcon::Exclamation);
        }
    }
}

TEST_F(BandStoreTest, BothIntervalsOfADayAreCheckedAndNotComparedWithEachOther) {
    BandRecord record = named("Spezzato");
    record.band.times = BandTimes::unset().times;
    record.band.times[0] = "14:00";
    record.band.times[1] = "18:00";
    record.band.times[2] = "08:00";
    record.band.times[3] = "12:00";
    EXPECT_TRUE(store.validate(record, std::nullopt, op));

    record.band.times[1] = "13:00";
    record.band.times[3] = "07:00";
    EXPECT_FALSE(store.validate(record, std::nullopt, op));
    EXPECT_EQ(op.texts(), (std::vector<std::string>{"Errore nell'orario.", "Errore nell'orario.",
                                                    "Controllare il giorno LUNEDI'."}));
}

TEST_F(BandStoreTest, ModifyingMayKeepItsOwnName) {
    const std::int64_t key = store.save(named("Giorno"), std::nullopt);
    EXPECT_TRUE(store.validate(named("Giorno "), key, op));
    EXPECT_FALSE(store.validate(named("Giorno"), std::nullopt, op));
}

TEST_F(BandStoreTest, SavePropagatesToUsersOfTheTrimmedName) {
    const auto member = userOfBand("0001", " Giorno ");
    const auto other = userOfBand("0002", "Notte");
    BandRecord record = named("Giorno");
    record.band.times[0] = "08:00";
    record.band.times[1] = "17:00";
    record.band.days[0] = true;
    record.band.days[6] = true;
    const std::int64_t key = store.save(record, std::nullopt);
    EXPECT_EQ(userField(member, "Lun_1_da"), Value("08:00"));
    EXPECT_EQ(userField(member, "Lun_1_a"), Value("17:00"));
    EXPECT_EQ(userField(member, "Domenica"), Value(1));
    EXPECT_EQ(userField(other, "Lun_1_da"), Value("05:00"));

    // A rename leaves the users of the old name with their old copy.
    record.name = "Giorno2";
    record.band.times[0] = "09:00";
    store.save(record, key);
    EXPECT_EQ(userField(member, "Lun_1_da"), Value("08:00"));
    EXPECT_EQ(bandField(key, "Nome"), Value("Giorno2"));
    EXPECT_EQ(store.count(), 1);
}

TEST_F(BandStoreTest, DeleteResetsTheCopiesAndKeepsTheNames) {
    BandRecord record = named("Giorno");
    record.band.times[0] = "08:00";
    record.band.times[1] = "17:00";
    record.band.days[0] = true;
    const std::int64_t key = store.save(record, std::nullopt);
    const auto member = userOfBand("0001", "Giorno");
    store.save(record, key); // refresh the member's copy
    ASSERT_EQ(userField(member, "Lun_1_da"), Value("08:00"));

    EXPECT_EQ(store.remove(key), 1);
    EXPECT_EQ(store.count(), 0);
    for (int i = 0; i < BandTimes::TimeCount; ++i) {
        EXPECT_EQ(userField(member, BandTimes::timeField(i)), Value("##:##"));
    }
    EXPECT_EQ(userField(member, "Lunedi"), Value(0));
    EXPECT_EQ(userField(member, "NomeFascia"), Value(""));
}

TEST_F(BandStoreTest, RefusedPropagationLeavesTheBandAsItWas) {
    const auto member = userOfBand("0001", "Giorno");
    install.db()->executeScript("CREATE TRIGGER refuse BEFORE UPDATE OF Lun_1_da ON Carte "
                                "BEGIN SELECT RAISE(ABORT, 'database is locked'); END;");
    BandRecord record = named("Giorno");
    record.band.times[0] = "08:00";
    EXPECT_THROW(store.save(record, std::nullopt), DatabaseError);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(userField(member, "Lun_1_da"), Value("05:00"));
}

TEST_F(BandStoreTest, DeletingABandStoredWithABlankNameLeavesTheUsersWithoutABandAlone) {
    install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('  ')");
    const auto key = install.db()->lastInsertRowid();
    const auto without = userOfBand("0001", "");
    EXPECT_EQ(store.usersOf(key), 0);
    EXPECT_EQ(store.remove(key), 0);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(userField(without, "Lun_1_da"), Value("05:00"));
    EXPECT_THROW(store.remove(key), DatabaseError); // already gone
}

} // namespace
} // namespace sentinex
