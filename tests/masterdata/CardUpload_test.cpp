#include "masterdata/CardUpload.hpp"

#include "link/ReaderCommands.hpp"
#include "readers/ReaderList.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;

class CardUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<ReaderEntry> entries;
        const char* places[] = {"INGRESSO", "UFFICI  ", "MAGAZZIN"};
        for (int k = 1; k <= 3; ++k) {
            ReaderEntry e;
            e.address = static_cast<std::int16_t>(k);
            e.loop = static_cast<std::int16_t>(k);
            e.siteCode = 42;
            e.location = places[k - 1];
            entries.push_back(e);
        }
        readers.setEntries(entries);
    }
    CardUpload::Request request(const std::string& lettore, bool online = false, bool enabled = true) {
        return {"0123", "0110210", lettore, online, enabled};
    }
    /// The command letter (position 9) of every payload sent.
    std::vector<char> commands() const {
        std::vector<char> letters;
        for (const auto& p : bus.payloads()) {
            letters.push_back(p.at(8));
        }
        return letters;
    }

    ReaderList readers;
    OnlineFakeBus bus;
    ScriptedOperator op;
};

TEST_F(CardUploadTest, StoreOnlyWhereEnabledOfflineAndEnabledAtAll) {
    struct Case {
        const char* lettore;
        bool online;
        bool enabled;
        std::vector<char> commands;
    };
    const Case cases[] = {
        {"010", false, true, {'C', 'B', 'C'}},
        {"111", true, true, {'C', 'C', 'C'}},   // online cards are decided by the PC
        {"111", false, false, {'C', 'C', 'C'}}, // "Carta abilitata" cleared
        {"1", false, true, {'B', 'C', 'C'}},    // a short text leaves the rest off
        {"020", false, true, {'C', 'C', 'C'}},  // only "1" stores
    };
    for (const auto& c : cases) {
        bus.clear();
        op.clear();
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
        EXPECT_TRUE(CardUpload::run(readers, bus, op, true, request(c.lettore, c.online, c.enabled)));
        EXPECT_EQ(commands(), c.commands) << c.lettore;
        EXPECT_EQ(op.last().text, CardUpload::DoneText);
        EXPECT_EQ(op.last().title, "Messaggio");
        EXPECT_EQ(op.last().icon, MsgIcon::Information);
        EXPECT_FALSE(op.waitVisible);
    }
}

TEST_F(CardUploadTest, PayloadsGoToEachReaderWithItsPrefixAndLoop) {
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    ASSERT_TRUE(CardUpload::run(readers, bus, op, true, request("010")));
    ASSERT_EQ(bus.sent().size(), 3u);
    EXPECT_EQ(bus.sent()[0].payload, "01000042C0123");
    EXPECT_EQ(bus.sent()[1].payload, "02000042B01230110210");
    EXPECT_EQ(bus.sent()[2].payload, "03000042C0123");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(bus.sent()[static_cast<std::size_t>(k)].loop, k + 1);
        EXPECT_EQ(bus.sent()[static_cast<std::size_t>(k)].timing, Timing::Command);
    }
}

TEST_F(CardUploadTest, ThreeDigitModeSendsThreeDigitsAndRefusesLargerNumbers) {
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    auto req = request("100");
    ASSERT_TRUE(CardUpload::run(readers, bus, op, false, req));
    EXPECT_EQ(bus.sent()[0].payload, "01000042B1230110210");

    bus.clear();
    op.clear();
    req.cardNumber = "1000";
    EXPECT_FALSE(CardUpload::run(readers, bus, op, false, req));
    EXPECT_TRUE(bus.sent().empty());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, CardUpload::TooBigForThreeDigitsText);
    EXPECT_EQ(op.waitShownCount, 0);
}

TEST_F(CardUploadTest, FirstFailingReaderEndsTheRunWithItsTitle) {
    struct Case {
        std::string secondReply;
        const char* text;
        MsgIcon icon;
    };
    const Case cases[] = {
        {"", "Periferica non connessa.", MsgIcon::Exclamation},
        {OnlineFakeBus::codeReply('D'), "Errore nel trasferimento dati.", MsgIcon::Exclamation},
        {OnlineFakeBus::codeReply('C'), "Errore nel codice applicazione.", MsgIcon::Exclamation},
        {OnlineFakeBus::codeReply('X'), "Risposta sconosciuta.", MsgIcon::Critical},
    };
    for (const auto& c : cases) {
        bus.clear();
        op.clear();
        int n = 0;
        bus.respond([&](const std::string&, Timing) {
            return ++n == 2 ? c.secondReply : OnlineFakeBus::codeReply('S');
        });
        EXPECT_FALSE(CardUpload::run(readers, bus, op, true, request("111")));
        EXPECT_EQ(bus.sent().size(), 2u) << c.text;
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, "Lettore 2 - situato presso UFFICI");
        EXPECT_EQ(op.shown[0].text, c.text);
        EXPECT_EQ(op.shown[0].icon, c.icon);
        EXPECT_FALSE(op.waitVisible);
    }
}

TEST_F(CardUploadTest, NoReadersIsASuccessWithNothingSent) {
    ReaderList none;
    EXPECT_TRUE(CardUpload::run(none, bus, op, true, request("1")));
    EXPECT_TRUE(bus.sent().empty());
    EXPECT_EQ(op.last().text, CardUpload::DoneText);
}

TEST_F(CardUploadTest, ButtonRefusalsInOrder) {
    struct Case {
        bool online;
        int readers;
        bool polling;
        bool output;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {true, 0, true, true, "Messaggio", "Carta abilitata all' On Line"},
        {false, 0, true, true, "Attenzione", "Non ci sono lettori memorizzati nel database."},
        {false, 2, true, true, "Messaggio", "Disabilitare prima il polling."},
        {false, 2, false, true, "Messaggio", "Disabilitare prima l'output automatico."},
        {false, 2, false, false, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        op.clear();
        EXPECT_EQ(CardUpload::mayStart(c.online, c.readers, c.polling, c.output, op), c.text == nullptr);
        if (c.text) {
            ASSERT_EQ(op.shown.size(), 1u);
            EXPECT_EQ(op.shown[0].title, c.title);
            EXPECT_EQ(op.shown[0].text, c.text);
            EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        } else {
            EXPECT_TRUE(op.shown.empty());
        }
    }
}

TEST(CardUploadOptionsTest, StoreOptionsOfTheExample) {
    // "Or", "Non contr.", "2 On", "1 Off", "Fascia 2", only "Porta 1".
    EXPECT_EQ(ReaderCommands::cardOptions(false, false, true, false, 2, true, false), "0110210");
}

} // namespace
} // namespace sentinex
