#include "readers/download/ReaderMemoryClearing.hpp"

#include "core/EventPump.hpp"
#include "readers/ReaderList.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using Outcome = ReaderMemoryClearing::Outcome;

class ReaderMemoryClearingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<ReaderEntry> entries;
        const char* places[] = {"INGRESSO", "UFFICI  ", "MAGAZZIN"};
        for (int k = 1; k <= 3; ++k) {
            ReaderEntry e;
            e.address = static_cast<std::int16_t>(k);
            e.loop = static_cast<std::int16_t>(k);
            e.siteCode = 7;
            e.location = places[k - 1];
            entries.push_back(e);
        }
        readers.setEntries(entries);
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    }
    Outcome run(bool polling = false, bool output = false) {
        return ReaderMemoryClearing::run(readers, bus, op, clock, pump, polling, output,
                                         [this](bool on) { formStates.push_back(on); });
    }

    ReaderList readers;
    OnlineFakeBus bus;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    std::vector<bool> formStates;
};

TEST_F(ReaderMemoryClearingTest, RefusesBeforeAskingWhenTheReadersCannotBeReached) {
    struct Case {
        int readers;
        bool polling;
        bool output;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {0, true, true, "Attenzione", "Non ci sono lettori."},
        {3, true, true, "Messaggio", "Disabilitare prima il polling."},
        {3, false, true, "Messaggio", "Disabilitare prima l'output automatico."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        op.clear();
        if (c.readers == 0) {
            readers.setEntries({});
        }
        EXPECT_EQ(run(c.polling, c.output), Outcome::Refused);
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, c.title);
        EXPECT_EQ(op.shown[0].text, c.text);
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        SetUp();
    }
    EXPECT_TRUE(bus.sent().empty());
    EXPECT_TRUE(formStates.empty());
}

TEST_F(ReaderMemoryClearingTest, AnythingButYesSendsNothingAndGivesTheFormBack) {
    op.queueAnswer(Answer::No);
    EXPECT_EQ(run(), Outcome::Declined);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].kind, ScriptedOperator::Kind::Question);
    EXPECT_EQ(op.shown[0].title, "Domanda");
    EXPECT_EQ(op.shown[0].text, "Sei sicuro di eliminare dai tutti i lettori lo storico delle transazioni ?");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Question);
    EXPECT_TRUE(bus.sent().empty());
    EXPECT_EQ(formStates, (std::vector<bool>{false, true}));
    EXPECT_FALSE(op.waitVisible);
}

TEST_F(ReaderMemoryClearingTest, YesClearsEveryReaderInOrderWithTheFormDisabledMeanwhile) {
    op.queueAnswer(Answer::Yes);
    bus.duringExchange([this] { EXPECT_EQ(formStates, std::vector<bool>{false}); });
    EXPECT_EQ(run(), Outcome::Done);
    EXPECT_EQ(bus.payloads(), (std::vector<std::string>{"01000007E01", "02000007E01", "03000007E01"}));
    EXPECT_EQ(bus.sent()[2].loop, 3);
    EXPECT_EQ(clock.pausedMs, 3 * ReaderMemoryClearing::PauseMs);
    EXPECT_EQ(formStates, (std::vector<bool>{false, true}));
    EXPECT_FALSE(op.waitVisible);
    EXPECT_EQ(op.progress.back(), "Lettore 3 di 3");
    EXPECT_EQ(op.last().title, "Messaggio");
    EXPECT_EQ(op.last().text, "Cancellazione effettuata.");
}

TEST_F(ReaderMemoryClearingTest, TheFirstFailureStopsWithTheReaderInTheTitle) {
    const std::vector<std::string> failures = {"", OnlineFakeBus::codeReply('D'),
                                               OnlineFakeBus::codeReply('C')};
    for (const std::string& failure : failures) {
        SCOPED_TRACE(failure);
        bus.clear();
        op.clear();
        formStates.clear();
        bus.respond([&failure](const std::string& payload, Timing) {
            return payload.substr(0, 2) == "02" ? failure : OnlineFakeBus::codeReply('S');
        });
        op.queueAnswer(Answer::Yes);
        EXPECT_EQ(run(), Outcome::Failed);
        EXPECT_EQ(bus.sent().size(), 2u); // reader 3 is not reached
        EXPECT_EQ(formStates, (std::vector<bool>{false, true}));
        EXPECT_FALSE(op.waitVisible);
        EXPECT_EQ(op.last().title, "Lettore 2 - situato presso UFFICI  ");
        EXPECT_EQ(op.last().text, "Errore di comunicazione.");
        EXPECT_EQ(op.last().icon, MsgIcon::Exclamation);
    }
    // Any other reply is taken as done.
    bus.clear();
    op.clear();
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('X'); });
    op.queueAnswer(Answer::Yes);
    EXPECT_EQ(run(), Outcome::Done);
}

} // namespace
} // namespace sentinex
