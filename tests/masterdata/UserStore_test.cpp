#include "masterdata/UserStore.hpp"

#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <map>
#include <string>

namespace sentinex {
namespace {

using testing::TestInstall;

/// A stored user with card number `number` and surname `surname`.
TestInstall::User card(const std::string& number, const std::string& surname = "Rossi") {
    TestInstall::User u;
    u.NumeroCarta = number;
    u.Cognome = surname;
    return u;
}

class UserStoreTest : public ::testing::Test {
protected:
    /// A band named `name` with Monday 08:00-12:00 and the Monday flag set, and `extra` fields.
    std::int64_t addBand(const std::string& name, const std::string& monFrom = "08:00") {
        install.db()->execute("INSERT INTO Fasce (Nome, Lun_1_da, Lun_1_a, Lunedi) VALUES (?, ?, '12:00', 1)",
                              {name, monFrom});
        return install.db()->lastInsertRowid();
    }
    /// One field of record `key`.
    Value field(std::int64_t key, const std::string& name) {
        return install.db()->query("SELECT " + name + " FROM Carte WHERE rowid = ?", {key}).at(0).at(0);
    }
    UserRecord typed(const std::string& card) {
        UserRecord u = UserRecord::newUser();
        u.surname = "Bianchi ";
        u.firstName = "Anna";
        u.address = " Via Roma 1";
        u.cardNumber = card;
        u.notes = "nota";
        return u;
    }

    TestInstall install;
    UserStore store{install.db()};
};

TEST_F(UserStoreTest, NewUserStoresEveryFieldAsShownAndIsNotHeld) {
    addBand("Turno A", "07:00");
    UserRecord u = typed("0042");
    u.online = false;
    u.output2 = false;
    u.checkInputs = true;
    u.inputsAnd = true;
    u.input1On = false;
    u.bandsApply = true;
    u.bandName = "  Turno A ";
    u.standAloneBand = 2;
    u.readerFlags[2] = 1;

    const std::int64_t key = store.save(u, std::nullopt);

    const std::map<std::string, Value> expected = {{"Cognome", "Bianchi "},
                                                   {"Nome", "Anna"},
                                                   {"Indirizzo", " Via Roma 1"},
                                                   {"NumeroCarta", "0042"},
                                                   {"Note", "nota"},
                                                   {"AbilitaCarta", 1},
                                                   {"Flag_online", 0},
                                                   {"Output1", 1},
                                                   {"Output2", 0},
                                                   {"ControllaInput", 1},
                                                   {"MetodoInput", 1},
                                                   {"Input1", 0},
                                                   {"Input2", 1},
                                                   {"Flag_fasce", 1},
                                                   {"NomeFascia", "Turno A"},
                                                   {"SceltaFascia", 2},
                                                   {"Lettore", "001" + std::string(61, '0')},
                                                   {"Imparziale", 0},
                                                   {"Lun_1_da", "07:00"},
                                                   {"Lun_1_a", "12:00"},
                                                   {"Lun_2_da", "##:##"},
                                                   {"Lunedi", 1},
                                                   {"Martedi", 0},
                                                   {"Stringa", Value()}};
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(field(key, name), value) << name;
    }
    auto back = store.byKey(key);
    ASSERT_TRUE(back);
    u.held = false;
    EXPECT_EQ(back->user.bandName, "Turno A");
    back->user.bandName = u.bandName;
    EXPECT_EQ(back->user, u);
}

TEST_F(UserStoreTest, ModifyKeepsHeldFlagAndExternalCardData) {
    const std::int64_t key =
        install.addUser({.NumeroCarta = "0005", .extra = {{"Imparziale", 1}, {"Stringa", "ABC"}}});
    auto stored = store.byKey(key);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->user.held);
    stored->user.surname = "Verdi";
    EXPECT_EQ(store.save(stored->user, key), key);
    EXPECT_EQ(field(key, "Cognome"), Value("Verdi"));
    EXPECT_EQ(field(key, "Imparziale"), Value(1));
    EXPECT_EQ(field(key, "Stringa"), Value("ABC"));
}

TEST_F(UserStoreTest, BandCopyTakesTheFirstBandOfTheNameOrResetsWithoutOne) {
    addBand("Notte", "01:00");
    addBand(" Notte", "02:00"); // same trimmed name, later in stored order
    UserRecord u = typed("1");
    u.bandName = "Notte";
    const std::int64_t withBand = store.save(u, std::nullopt);
    EXPECT_EQ(field(withBand, "Lun_1_da"), Value("01:00"));

    // No band of that name (or an empty chooser): all unset, even with the flags once set.
    install.db()->execute("UPDATE Carte SET Lun_1_da = '05:00', Domenica = 1 WHERE rowid = ?", {withBand});
    u.bandName = "Giorno";
    store.save(u, withBand);
    EXPECT_EQ(field(withBand, "Lun_1_da"), Value("##:##"));
    EXPECT_EQ(field(withBand, "Lun_1_a"), Value("##:##"));
    EXPECT_EQ(field(withBand, "Dom_2_a"), Value("##:##"));
    EXPECT_EQ(field(withBand, "Lunedi"), Value(0));
    EXPECT_EQ(field(withBand, "Domenica"), Value(0));
    EXPECT_EQ(field(withBand, "NomeFascia"), Value("Giorno"));
}

TEST_F(UserStoreTest, ValidationInItsOrder) {
    addBand("Turno A");
    const std::int64_t existing = install.addUser(card("0012"));
    install.addUser(card("77")); // older record without padding

    struct Case {
        const char* card;
        bool modifyExisting;
        bool online;
        bool bandsApply;
        const char* bandName;
        const char* problem;
        const char* normalised; // nullptr: none
    };
    const Case cases[] = {
        {"12345", false, true, false, "", UserStore::BadCardText, nullptr},
        {"", false, true, false, "", UserStore::BadCardText, nullptr},
        {" 12", false, true, false, "", UserStore::BadCardText, nullptr},
        {"1.5", false, true, false, "", UserStore::BadCardText, nullptr},
        {"12", false, true, false, "", UserStore::CardTakenText, nullptr},
        {"012", false, true, false, "", UserStore::CardTakenText, nullptr},
        {"0077", false, true, false, "", UserStore::CardTakenText, nullptr},
        {"0012", true, true, false, "", "", "0012"}, // its own number when modifying
        {"77", true, true, false, "", UserStore::CardTakenText, nullptr},
        {"7", false, true, false, "", "", "0007"},
        // A bad card number is reported before a missing band.
        {"x", false, true, true, "", UserStore::BadCardText, nullptr},
        {"7", false, true, true, "", UserStore::NoBandText, "0007"},
        {"7", false, true, true, "Turno B", UserStore::NoBandText, "0007"},
        {"7", false, true, true, " Turno A ", "", "0007"},
        {"7", false, true, false, "", "", "0007"}, // "Abilita" cleared
        {"7", false, false, true, "", "", "0007"}, // not online
    };
    for (const auto& c : cases) {
        UserRecord u = typed(c.card);
        u.online = c.online;
        u.bandsApply = c.bandsApply;
        u.bandName = c.bandName;
        const auto result = store.validate(u, c.modifyExisting ? std::optional(existing) : std::nullopt);
        EXPECT_EQ(result.problem, c.problem) << c.card << " " << c.bandName;
        EXPECT_EQ(result.ok(), std::string(c.problem).empty());
        if (c.normalised) {
            EXPECT_EQ(result.normalisedCard, std::optional<std::string>(c.normalised)) << c.card;
        } else {
            EXPECT_FALSE(result.normalisedCard) << c.card;
        }
    }
}

TEST_F(UserStoreTest, PositionsFollowStoredOrderAndDeletion) {
    const auto a = install.addUser(card("0001", "A"));
    const auto b = install.addUser(card("0002", "B"));
    const auto c = install.addUser(card("0003", "C"));
    EXPECT_EQ(store.count(), 3);
    EXPECT_EQ(store.atPosition(2)->user.surname, "B");
    EXPECT_EQ(store.atPosition(3)->key, c);
    EXPECT_FALSE(store.atPosition(4));
    EXPECT_FALSE(store.atPosition(0));
    EXPECT_EQ(store.positionOf(c), 3);
    store.remove(b);
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.positionOf(c), 2);
    EXPECT_FALSE(store.positionOf(b));
    EXPECT_EQ(store.atPosition(1)->key, a);
    // Steps from a record, also from one that is gone, and the ends.
    using Step = UserStore::Step;
    EXPECT_EQ(store.beside(a, Step::Next)->key, c);
    EXPECT_EQ(store.beside(b, Step::Next)->key, c);
    EXPECT_EQ(store.beside(b, Step::Previous)->key, a);
    EXPECT_EQ(store.beside(c, Step::Previous)->key, a);
    EXPECT_FALSE(store.beside(c, Step::Next));
    EXPECT_FALSE(store.beside(a, Step::Previous));
    EXPECT_EQ(store.last()->user.surname, "C");
    store.remove(a);
    store.remove(c);
    EXPECT_FALSE(store.last());
}

// Positions are read from the keys while no user was ever taken out below the last, and counted
// otherwise: every stored user's position must be its place in stored order whatever was taken out.
TEST_F(UserStoreTest, PositionsFollowStoredOrderWhateverWasTakenOut) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> removed; // of keys 1..9
    };
    const Case cases[] = {
        {"nothing taken out", {}},           {"the last taken out", {9}},
        {"the first taken out", {1}},        {"one taken out near the start", {2}},
        {"one taken out near the end", {8}}, {"several, both ends", {1, 4, 5, 9}},
    };
    for (const auto& c : cases) {
        install.db()->execute("DELETE FROM Carte");
        for (std::int64_t key = 1; key <= 9; ++key) {
            install.db()->execute("INSERT INTO Carte (rowid, NumeroCarta) VALUES (?, ?)",
                                  {key, "00" + std::to_string(10 + key)});
        }
        for (std::int64_t key : c.removed) {
            install.db()->execute("DELETE FROM Carte WHERE rowid = ?", {key});
        }
        std::int64_t place = 0;
        for (std::int64_t key = 1; key <= 9; ++key) {
            const bool kept = std::find(c.removed.begin(), c.removed.end(), key) == c.removed.end();
            EXPECT_EQ(store.positionOf(key), kept ? std::optional(++place) : std::nullopt)
                << c.what << ", key " << key;
        }
    }
    // Keys 0, 1 and 3: the last key is the number of users, yet key 1 is the second user.
    install.db()->execute("DELETE FROM Carte");
    for (std::int64_t key : {0, 1, 3}) {
        install.db()->execute("INSERT INTO Carte (rowid, NumeroCarta) VALUES (?, ?)",
                              {key, "00" + std::to_string(50 + key)});
    }
    EXPECT_EQ(store.positionOf(0), 1);
    EXPECT_EQ(store.positionOf(1), 2);
    EXPECT_EQ(store.positionOf(3), 3);
}

// Past a thousand users with some taken out, positions come from kept anchors and a short count after the
// nearest one: every way the table can change must show in every user's position, checked against the
// stored order read afresh.
TEST_F(UserStoreTest, PositionsAmongThousandsFollowEveryWriteWhoeverMakesIt) {
    install.populate(2600, 0);
    auto other = Database::open(install.folder().database()); // another program on the same file
    std::int64_t saved = 0;
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"the first user deleted by another program",
         [&] { other->execute("DELETE FROM Carte WHERE rowid = 1"); }},
        {"a user between anchors removed by this store", [&] { store.remove(700); }},
        {"the first user of a stretch removed by this store", [&] { store.remove(1026); }},
        {"the first user left removed by this store", [&] { store.remove(2); }},
        {"a new user saved", [&] { saved = store.save(typed("99001"), std::nullopt); }},
        {"a user edited", [&] { store.save(typed("99002"), 1500); }},
        {"removed again (gone already)", [&] { store.remove(700); }},
        {"a stretch added by another program",
         [&] {
             for (int i = 0; i < 1100; ++i) {
                 other->execute("INSERT INTO Carte (NumeroCarta) VALUES ('')");
             }
         }},
        {"new users saved past a stretch",
         [&] {
             for (int i = 0; i < 3; ++i) {
                 saved = store.save(typed(std::to_string(99010 + i)), std::nullopt);
             }
         }},
        {"a gap filled by another program",
         [&] { other->execute("INSERT INTO Carte (rowid, NumeroCarta) VALUES (700, '')"); }},
        {"the newest user removed by this store", [&] { store.remove(saved); }},
    };
    const auto expectEveryPosition = [&](const char* what) {
        std::int64_t place = 0;
        for (const auto& row : install.db()->query("SELECT rowid FROM Carte ORDER BY rowid")) {
            const std::int64_t key = row.at(0).toInt();
            ASSERT_EQ(store.positionOf(key), ++place) << what << ", key " << key;
        }
        EXPECT_FALSE(store.positionOf(700 + 100000)) << what;
    };
    for (const auto& [what, step] : steps) {
        step();
        expectEveryPosition(what);
    }
}

// The total is kept between counts: every way the table can change under it must show in the next count,
// each step checked against a fresh count of the table.
TEST_F(UserStoreTest, TheKeptCountFollowsEveryWriteWhoeverMakesIt) {
    auto other = Database::open(install.folder().database()); // another program on the same file
    std::int64_t saved = 0;
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"new user saved", [&] { saved = store.save(typed("11"), std::nullopt); }},
        {"user saved again", [&] { store.save(typed("11"), saved); }},
        {"added on the same connection", [&] { install.addUser(card("0012", "Altro")); }},
        {"added by another connection",
         [&] { other->execute("INSERT INTO Carte (NumeroCarta) VALUES ('0013')"); }},
        {"removed by this store", [&] { store.remove(saved); }},
        {"removed again (gone already)", [&] { store.remove(saved); }},
        {"emptied on the same connection in one statement",
         [&] { install.db()->execute("DELETE FROM Carte"); }},
        {"added again on the same connection", [&] { install.addUser(card("0015", "Ancora")); }},
        {"emptied by another connection", [&] { other->execute("DELETE FROM Carte"); }},
        {"refused save",
         [&] {
             install.db()->executeScript("CREATE TRIGGER refuse BEFORE UPDATE ON Carte "
                                         "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
             EXPECT_THROW(store.save(typed("14"), std::nullopt), DatabaseError);
         }},
    };
    EXPECT_EQ(store.count(), 0);
    for (const auto& [what, step] : steps) {
        step();
        const std::int64_t counted = install.db()->query("SELECT count(*) FROM Carte").at(0).at(0).toInt();
        EXPECT_EQ(store.count(), counted) << what;
    }
}

TEST_F(UserStoreTest, BandNamesAreTrimmedInStoredOrder) {
    addBand(" Zeta ");
    addBand("Alfa");
    EXPECT_EQ(store.bandNames(), (std::vector<std::string>{"Zeta", "Alfa"}));
}

TEST_F(UserStoreTest, RefusedSaveStoresNothingHalfWay) {
    addBand("Turno A");
    // The engine refuses the band copy part of the write, as a full disk would.
    install.db()->executeScript("CREATE TRIGGER refuse BEFORE UPDATE OF Lun_1_da ON Carte "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    UserRecord u = typed("9");
    u.bandName = "Turno A";
    EXPECT_THROW(store.save(u, std::nullopt), DatabaseError);
    EXPECT_EQ(store.count(), 0);

    const std::int64_t key = install.addUser(card("0003", "Prima"));
    UserRecord changed = store.byKey(key)->user;
    changed.surname = "Dopo";
    EXPECT_THROW(store.save(changed, key), DatabaseError);
    EXPECT_EQ(field(key, "Cognome"), Value("Prima"));
}

} // namespace
} // namespace sentinex

namespace sentinex {
namespace {

TEST_F(UserStoreTest, ASaveThatValidatedBeforeAnotherWasStoredIsRefusedInsideItsTransaction) {
    // Two saves of card 77 both passed validation while the table held neither.
    ASSERT_TRUE(store.validate(typed("0077"), std::nullopt).ok());
    const std::int64_t first = store.save(typed("0077"), std::nullopt);
    EXPECT_THROW(store.save(typed("77"), std::nullopt), UserStore::CardTaken);
    const std::int64_t other = store.save(typed("0078"), std::nullopt);
    UserRecord moved = typed("0077");
    EXPECT_THROW(store.save(moved, other), UserStore::CardTaken) << "a modify may not take another's card";
    EXPECT_EQ(install.db()->query("SELECT COUNT(*) FROM Carte").at(0).at(0).toInt(), 2);
    EXPECT_EQ(field(other, "NumeroCarta").toString(), "0078") << "the refused save wrote nothing";
    EXPECT_NO_THROW(store.save(typed("0077"), first)) << "a user keeps its own card";
}

} // namespace
} // namespace sentinex

namespace sentinex {
namespace {

TEST_F(UserStoreTest, DeletingAUserTakesTheirPresenceWithThemAndNoOneElses) {
    const std::int64_t inside = store.save(typed("0042"), std::nullopt);
    const std::int64_t outside = store.save(typed("0043"), std::nullopt);
    install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (' 0042 '), ('0044')");
    EXPECT_EQ(store.remove(inside), 1);
    EXPECT_EQ(store.remove(outside), 0);
    const auto left = install.db()->query("SELECT NumeroBadge FROM presenti");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0][0].toString(), "0044");
}

} // namespace
} // namespace sentinex
