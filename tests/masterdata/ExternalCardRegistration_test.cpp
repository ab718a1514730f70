#include "masterdata/ExternalCardRegistration.hpp"

#include "readers/ReaderList.hpp"
#include "store/Database.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

class ExternalCardRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<ReaderEntry> entries;
        for (int k = 1; k <= 3; ++k) {
            ReaderEntry e;
            e.address = static_cast<std::int16_t>(k);
            e.loop = static_cast<std::int16_t>(k);
            e.siteCode = 77;
            entries.push_back(e);
        }
        readers.setEntries(entries);
        TestInstall::User u;
        u.Cognome = "Rossi";
        u.Nome = "Mario";
        u.NumeroCarta = "0042";
        key = install.addUser(u);
        u.NumeroCarta = "0043";
        other = install.addUser(u);
    }
    std::string stringa(std::int64_t k) {
        return install.db()->query("SELECT Stringa FROM Carte WHERE rowid = ?", {k}).at(0).at(0).toString();
    }
    static std::string prefix(int address) { return "0" + std::to_string(address) + "000077"; }

    TestInstall install;
    ReaderList readers;
    OnlineFakeBus bus;
    ScriptedOperator op;
    std::int64_t key = 0;
    std::int64_t other = 0;
};

TEST_F(ExternalCardRegistrationTest, ChecksInOrderBeforeAnyReaderIsAddressed) {
    struct Case {
        const char* name;
        int readers;
        bool online;
        bool polling;
        bool output;
        const char* card;
        const char* title;
        const char* text;
        MsgIcon icon;
    };
    const Case cases[] = {
        {"no reader", 0, false, true, true, "9999", "Attenzione", "Non ci sono lettori.",
         MsgIcon::Exclamation},
        {"not online", 3, false, true, true, "9999", "Attenzione", "Opzione valida solo con l'On Line",
         MsgIcon::Exclamation},
        {"polling", 3, true, true, true, "9999", "Messaggio", "Disabilitare prima il polling.",
         MsgIcon::Exclamation},
        {"output", 3, true, false, true, "9999", "Messaggio", "Disabilitare prima l'output automatico.",
         MsgIcon::Exclamation},
        {"unknown card", 3, true, false, false, "9999", "Messaggio", "Il numero di carta non esiste.",
         MsgIcon::Information},
        // The box's text is compared as typed: "42" is not the stored "0042".
        {"card typed without zeros", 3, true, false, false, "42", "Messaggio",
         "Il numero di carta non esiste.", MsgIcon::Information},
        {"quote in the box", 3, true, false, false, "0'", "Messaggio", "Il numero di carta non esiste.",
         MsgIcon::Information},
    };
    ReaderList none;
    for (const auto& c : cases) {
        op.clear();
        const auto found = ExternalCardRegistration::recordToUpdate(
            *install.db(), op, c.readers ? readers : none, c.polling, c.output, {c.online, c.card});
        EXPECT_FALSE(found) << c.name;
        ASSERT_EQ(op.shown.size(), 1u) << c.name;
        EXPECT_EQ(op.shown[0].title, c.title) << c.name;
        EXPECT_EQ(op.shown[0].text, c.text) << c.name;
        EXPECT_EQ(op.shown[0].icon, c.icon) << c.name;
    }
    EXPECT_TRUE(bus.sent().empty());

    op.clear();
    EXPECT_EQ(
        ExternalCardRegistration::recordToUpdate(*install.db(), op, readers, false, false, {true, "0043"}),
        other);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(ExternalCardRegistrationTest, CapturesTheCardAtTheThirdReaderAndAcknowledgesThatReaderOnly) {
    // Readers 1 and 2 stay without a card for two rounds (one of them silent); then reader 3 has one.
    int polls = 0;
    bus.respond([&](const std::string& payload, Timing) -> std::string {
        if (payload.size() == 9 && payload[8] == 'D') {
            ++polls;
            if (payload.substr(0, 2) == "03" && polls > 6) {
                return OnlineFakeBus::cardReply("ABC123\xE8");
            }
            return payload.substr(0, 2) == "02" ? std::string() : OnlineFakeBus::codeReply('S');
        }
        return OnlineFakeBus::codeReply('S');
    });
    int yields = 0;
    const auto outcome = ExternalCardRegistration::waitAndStore(*install.db(), op, readers, bus, key, [&] {
        ++yields;
        return true;
    });
    EXPECT_EQ(outcome, ExternalCardRegistration::Outcome::Registered);
    EXPECT_EQ(stringa(key), "ABC123\u00E8"); // stored as text, as the online lookup reads it
    EXPECT_EQ(stringa(other), "");
    EXPECT_EQ(yields, 9);

    std::vector<std::string> expected;
    for (int round = 0; round < 3; ++round) {
        for (int k = 1; k <= 3; ++k) {
            expected.push_back(prefix(k) + "D");
        }
    }
    expected.push_back(prefix(3) + "K000000000");
    EXPECT_EQ(bus.payloads(), expected);
    for (const auto& sent : bus.sent()) {
        EXPECT_EQ(sent.timing, Timing::Short);
    }
    EXPECT_EQ(bus.sent().back().loop, 3);
    EXPECT_EQ(op.texts(),
              (std::vector<std::string>{
                  "Ora bisogna passare la carta su uno qualunque dei lettori presenti nella rete.",
                  "Registrazione carta esterna OK !\r\nCarta registrata per Rossi Mario (carta 0042)."}));
}

TEST_F(ExternalCardRegistrationTest, ACardAnotherUserHoldsIsRefusedNamingThatUser) {
    install.db()->execute(
        "UPDATE Carte SET Cognome = 'Verdi', Nome = 'Luca', Stringa = 'ABC123' WHERE rowid = ?", {other});
    bus.respond([](const std::string& payload, Timing) -> std::string {
        return payload.size() == 9 && payload[8] == 'D' ? OnlineFakeBus::cardReply("ABC123")
                                                        : OnlineFakeBus::codeReply('S');
    });
    const auto outcome =
        ExternalCardRegistration::waitAndStore(*install.db(), op, readers, bus, key, [] { return true; });
    EXPECT_EQ(outcome, ExternalCardRegistration::Outcome::Taken);
    EXPECT_EQ(stringa(key), "") << "one card data, one person at the door";
    EXPECT_EQ(stringa(other), "ABC123");
    EXPECT_EQ(op.last().title, "Attenzione");
    EXPECT_EQ(op.last().text, "Questa carta è già registrata per l'utente Verdi Luca (carta 0043).");
    EXPECT_EQ(bus.payloads().back(), prefix(1) + "K000000000") << "the reader is answered all the same";

    // The holder itself may capture it again.
    op.clear();
    EXPECT_EQ(
        ExternalCardRegistration::waitAndStore(*install.db(), op, readers, bus, other, [] { return true; }),
        ExternalCardRegistration::Outcome::Registered);
}

TEST_F(ExternalCardRegistrationTest, StoppingTheWaitWritesNothing) {
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    int yields = 0;
    const auto outcome = ExternalCardRegistration::waitAndStore(*install.db(), op, readers, bus, key,
                                                                [&] { return ++yields <= 4; });
    EXPECT_EQ(outcome, ExternalCardRegistration::Outcome::Stopped);
    EXPECT_EQ(bus.payloads().size(), 4u); // readers 1, 2, 3, then 1 again
    EXPECT_EQ(op.last().text, "Nessuna carta è stata passata.");
    EXPECT_EQ(op.last().title, "Messaggio");
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM Carte WHERE Stringa <> ''").at(0).at(0).toInt(), 0);
}

TEST_F(ExternalCardRegistrationTest, AStoreThatRefusesIsRaisedAndNotAcknowledged) {
    install.db()->executeScript("CREATE TRIGGER refuse BEFORE UPDATE ON Carte "
                                "BEGIN SELECT RAISE(ABORT, 'database is locked'); END;");
    bus.respond([](const std::string& payload, Timing) {
        return payload[8] == 'D' ? OnlineFakeBus::cardReply("XYZ") : OnlineFakeBus::codeReply('S');
    });
    EXPECT_THROW(
        ExternalCardRegistration::waitAndStore(*install.db(), op, readers, bus, key, [] { return true; }),
        DatabaseError);
    EXPECT_EQ(bus.payloads(), std::vector<std::string>{prefix(1) + "D"});
}

} // namespace
} // namespace sentinex
