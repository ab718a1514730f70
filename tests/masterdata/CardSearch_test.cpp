#include "masterdata/CardSearch.hpp"
#include "masterdata/UserStore.hpp"

#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace sentinex {
namespace {

using testing::TestInstall;

class CardSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::pair<const char*, const char*> users[] = {
            {"0001", "Verdi"}, {"0012", "Rossi"}, {"0120", "Bianchi  "}, {"0007", "Rossi"}, {"1200", "rossi"},
        };
        for (const auto& [card, surname] : users) {
            TestInstall::User u;
            u.NumeroCarta = card;
            u.Cognome = surname;
            const std::int64_t key = install.addUser(u);
            if (std::string(card) == "0007") {
                fourth = key;
            }
        }
    }
    TestInstall install;
    UserStore users{install.db()};
    std::int64_t fourth = 0; // the key of card 0007
};

TEST_F(CardSearchTest, FindsTheFirstExactKeyInStoredOrder) {
    using Field = CardSearch::Field;
    struct Case {
        Field field;
        const char* typed;
        std::optional<std::int64_t> position;
    };
    const Case cases[] = {
        {Field::CardNumber, "12", 2},              // 0012 is found by its numeric value
        {Field::CardNumber, "0012", std::nullopt}, // ... and not by the stored text
        {Field::CardNumber, "012", std::nullopt},
        {Field::CardNumber, "120", 3}, // 0120 is not 0012 nor 1200
        {Field::CardNumber, "1200", 5},
        {Field::CardNumber, " 12", std::nullopt},
        {Field::Surname, "Rossi", 2}, // two users of that surname: the first
        {Field::Surname, "rossi", 5}, // exact, letter case included
        {Field::Surname, "ROSSI", std::nullopt},
        {Field::Surname, "Bianchi", std::nullopt}, // stored with trailing blanks
        {Field::Surname, "Bianchi  ", 3},
        {Field::Surname, "", std::nullopt},
        {Field::Surname, "x' OR '1'='1", std::nullopt}, // typed text is never part of the statement
    };
    for (const auto& c : cases) {
        const auto found = CardSearch::find(*install.db(), users, c.field, c.typed);
        EXPECT_EQ(found ? std::optional(found->position) : std::nullopt, c.position) << c.typed;
    }
}

TEST_F(CardSearchTest, PositionCountsTheUsersLeftAfterADeletion) {
    install.db()->execute("DELETE FROM Carte WHERE NumeroCarta = '0001'");
    const auto found = CardSearch::find(*install.db(), users, CardSearch::Field::CardNumber, "7");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->position, 3);
    EXPECT_EQ(found->key, fourth);
}

} // namespace
} // namespace sentinex
