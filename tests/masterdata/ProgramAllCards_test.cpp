#include "masterdata/ProgramAllCards.hpp"

#include "core/EventPump.hpp"
#include "readers/ReaderList.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

using Card = ProgramAllCards::Card;

class ProgramAllCardsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<ReaderEntry> entries;
        const char* places[] = {" INGRESSO", "UFFICI  ", "MAGAZZIN"};
        for (int k = 1; k <= 3; ++k) {
            ReaderEntry e;
            e.address = static_cast<std::int16_t>(k);
            e.loop = 1;
            e.siteCode = 42;
            e.location = places[k - 1];
            entries.push_back(e);
        }
        readers.setEntries(entries);
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    }
    static Card card(const std::string& number, const std::string& lettore, bool online = false,
                     bool enabled = true) {
        return {number, "Rossi", "Mario", lettore, online, enabled, "0110210"};
    }
    ProgramAllCards::Outcome run(const std::vector<Card>& cards, bool fourDigit = true) {
        return ProgramAllCards::run(readers, bus, op, clock, pump, fourDigit, cards);
    }
    /// "B" or "C" followed by the card number, for every command sent, in order.
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const auto& p : bus.payloads()) {
            out.push_back(p.substr(8, p[8] == 'B' ? p.size() - 8 - 7 : std::string::npos));
        }
        return out;
    }

    ReaderList readers;
    OnlineFakeBus bus;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
};

TEST_F(ProgramAllCardsTest, RefusesInTheSystemsOrder) {
    struct Case {
        std::size_t cards;
        int readers;
        bool polling;
        bool output;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, true, true, "Attenzione", "Il database delle carte è vuoto."},
        {1, 0, true, true, "Attenzione", "Non ci sono lettori."},
        {1, 1, true, true, "Messaggio", "Disabilitare prima il polling."},
        {1, 1, false, true, "Messaggio", "Disabilitare prima l'output automatico."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        op.clear();
        EXPECT_FALSE(ProgramAllCards::mayStart(c.cards, c.readers, c.polling, c.output, op));
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, c.title);
        EXPECT_EQ(op.shown[0].text, c.text);
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
    }
    op.clear();
    EXPECT_TRUE(ProgramAllCards::mayStart(1, 1, false, false, op));
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(ProgramAllCardsTest, EveryCardGoesToEveryReaderStoredOnlyWhereItBelongs) {
    const std::vector<Card> cards = {
        card("0001", "010"),                  // enabled on reader 2 only
        card("0002", "111", /*online*/ true), // online: the PC decides, no reader keeps it
        card("0003", "111", false, false),    // not enabled at all
        card("0004", "111"),
    };
    const auto out = run(cards);
    EXPECT_TRUE(out.done);
    EXPECT_EQ(out.commandsSent, 12);
    // Reader by reader, every card in table order.
    const std::vector<std::string> expected = {
        "C0001", "C0002", "C0003", "B0004", // reader 1
        "B0001", "C0002", "C0003", "B0004", // reader 2
        "C0001", "C0002", "C0003", "B0004", // reader 3
    };
    EXPECT_EQ(commands(), expected);
    const auto payloads = bus.payloads();
    EXPECT_EQ(payloads[4], "02000042B00010110210");
    EXPECT_EQ(payloads[0].substr(0, 2), "01");
    EXPECT_EQ(payloads[8].substr(0, 2), "03");
    for (const auto& s : bus.sent()) {
        EXPECT_EQ(s.timing, Timing::Command);
    }
    // 50 ms before each command.
    EXPECT_EQ(clock.pauseCalls, 12);
    EXPECT_EQ(clock.pausedMs, 12 * ProgramAllCards::CommandPauseMs);
    EXPECT_FALSE(op.waitVisible);
    EXPECT_EQ(op.waitShownCount, 1);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Messaggio");
    EXPECT_EQ(op.shown[0].text, "Programmazione effettuata.");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Information);
    ASSERT_FALSE(op.progress.empty());
    EXPECT_EQ(op.progress.front(), "Lettore 1 di 3 - comandi inviati: 0");
    EXPECT_EQ(op.progress.back(), "Lettore 3 di 3 - comandi inviati: 12");
}

TEST_F(ProgramAllCardsTest, ThreeDigitModeLeavesOutNumbersAbove999AndListsThem) {
    const std::vector<Card> cards = {
        card("0012", "111"),
        {"1000", "Bianchi", "Anna", "111", false, true, "0000000"},
        card("0123", "000"),
        {"1234", "Verdi", "Luca", "000", false, true, "0000000"},
    };
    const auto out = run(cards, /*fourDigit*/ false);
    EXPECT_TRUE(out.done);
    const std::vector<std::string> perReader = {"B012", "C123"};
    std::vector<std::string> expected;
    for (int k = 0; k < 3; ++k) {
        expected.insert(expected.end(), perReader.begin(), perReader.end());
    }
    // 1000 would travel as "000" and 1234 as "234": other cards. Neither is sent to any reader.
    EXPECT_EQ(commands(), expected);
    EXPECT_EQ(out.skipped, (std::vector<std::string>{"1000 Bianchi Anna", "1234 Verdi Luca"}));
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].text, "Programmazione effettuata.");
    EXPECT_EQ(op.shown[1].title, "Attenzione");
    EXPECT_NE(op.shown[1].text.find("\r\n1000 Bianchi Anna\r\n1234 Verdi Luca"), std::string::npos)
        << op.shown[1].text;

    // In four-digit mode the same cards all travel, and nothing is listed.
    bus.clear();
    op.clear();
    const auto four = run(cards, true);
    EXPECT_TRUE(four.skipped.empty());
    EXPECT_EQ(four.commandsSent, 12);
    EXPECT_EQ(op.shown.size(), 1u);
}

TEST_F(ProgramAllCardsTest, FirstFailureEndsTheWholeRunWithTheReaderTitle) {
    struct Case {
        std::string reply;
        const char* text;
    };
    const Case cases[] = {
        {"", "Periferica non connessa."},
        {OnlineFakeBus::codeReply('D'), "Errore nel traferimento dati."},
        {OnlineFakeBus::codeReply('C'), "Errore nel codice applicazione."},
        {OnlineFakeBus::codeReply('X'), "Risposta sconosciuta."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        bus.clear();
        op.clear();
        int n = 0;
        // Reader 2 fails at its second card.
        bus.respond([&n, &c](const std::string&, Timing) {
            return ++n == 5 ? c.reply : OnlineFakeBus::codeReply('S');
        });
        const auto out = run({card("0001", "111"), card("0002", "111"), card("0003", "111")});
        EXPECT_FALSE(out.done);
        EXPECT_EQ(out.commandsSent, 4);
        EXPECT_EQ(bus.sent().size(), 5u); // nothing after the failing command, no third reader
        EXPECT_FALSE(op.waitVisible);
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, "Lettore 2 - situato presso UFFICI");
        EXPECT_EQ(op.shown[0].text, c.text);
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
    }
}

TEST_F(ProgramAllCardsTest, LoadsTheStoreOptionsFromTheStoredFields) {
    TestInstall install;
    TestInstall::User u;
    u.NumeroCarta = "0042";
    u.Cognome = "Neri";
    u.Flag_online = false;
    u.Lettore = "01" + std::string(62, '0');
    // "Or", "Non contr.", "2 On", "1 Off", "Fascia 2", only "Porta 1".
    u.extra = {{"MetodoInput", false}, {"ControllaInput", false}, {"Input2", true},  {"Input1", false},
               {"SceltaFascia", 2},    {"Output1", true},         {"Output2", false}};
    install.addUser(u);
    TestInstall::User second;
    second.NumeroCarta = "0007";
    second.AbilitaCarta = false;
    // "And", "Controlla", "2 Off", "1 On", "Attivo 24 ore", both doors.
    second.extra = {{"MetodoInput", true}, {"ControllaInput", true}, {"Input2", false}, {"Input1", true},
                    {"SceltaFascia", 0},   {"Output1", true},        {"Output2", true}};
    install.addUser(second);

    const auto cards = ProgramAllCards::loadCards(*install.db());
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].number, "0042");
    EXPECT_EQ(cards[0].surname, "Neri");
    EXPECT_EQ(cards[0].options, "0110210");
    EXPECT_FALSE(cards[0].online);
    EXPECT_TRUE(cards[0].enabled);
    EXPECT_EQ(cards[0].readers.substr(0, 2), "01");
    EXPECT_EQ(cards[1].number, "0007");
    EXPECT_EQ(cards[1].options, "1001011");
    EXPECT_FALSE(cards[1].enabled);
    EXPECT_TRUE(cards[1].online);
}

} // namespace
} // namespace sentinex
