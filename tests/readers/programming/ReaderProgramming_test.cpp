#include "core/EventPump.hpp"
#include "core/Settings.hpp"
#include "readers/programming/ReaderForm.hpp"
#include "readers/programming/ReaderProgramming.hpp"
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
using Outcome = ReaderProgramming::Outcome;

class CountingPump : public EventPump {
public:
    void processEvents() override { ++calls; }
    int calls = 0;
};

/// A reply frame whose character at position 2 and 4 are given (position 1 is the start byte).
std::string frame(char at2, char code) {
    return std::string("\x02") + at2 + "7" + code + "0000\x03K";
}

const std::string S = OnlineFakeBus::codeReply('S');

class ReaderProgrammingTest : public ::testing::Test {
protected:
    ReaderProgrammingTest() {
        clock.set({2026, 1, 4, 14, 30, 0});
        settings.QuattroCifre = true;
        settings.Ritardo = 3;
        settings.OrarioIniziale[0] = "08:00";
        settings.OrarioFinale[0] = "12:30";
        settings.OrarioIniziale[1] = "13:15";
        settings.OrarioFinale[1] = "18:00";
        settings.OrarioIniziale[2] = "20:00";
        settings.OrarioFinale[2] = "23:59";
        settings.computeBandFlags();
        form = ReaderForm::cleared(true, true);
        form.type = "NANO NN-K";
        form.siteCode = "000042";
        form.opening = "4";
        form.state = "In";
        form.loop = "3";
        form.address = "7";
    }
    Outcome run(const std::function<bool()>& cancel = {}) {
        ReaderProgramming programming(bus, op, clock, pump, settings);
        return programming.run(form, cancel);
    }
    OnlineFakeBus bus;
    ScriptedOperator op;
    FakeClock clock;
    CountingPump pump;
    Settings settings;
    ReaderForm form;
};

TEST_F(ReaderProgrammingTest, CancelAtTheResetQuestionSendsNothing) {
    op.queueAnswer(Answer::Cancel);
    EXPECT_EQ(run(), Outcome::Cancelled);
    EXPECT_TRUE(bus.sent().empty());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].kind, ScriptedOperator::Kind::Question);
    EXPECT_EQ(op.shown[0].title, "Domanda");
    EXPECT_EQ(op.shown[0].text, "Vuoi resettare il lettore ?");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Question);
    EXPECT_TRUE(op.shown[0].withCancel);
    EXPECT_EQ(op.waitShownCount, 0);
}

TEST_F(ReaderProgrammingTest, RunWithoutResetSendsEveryCommandOnTheReadersLoop) {
    op.queueAnswer(Answer::No);
    form.testInput = true;
    bus.respond([](const std::string&, Timing) { return S; });
    EXPECT_EQ(run(), Outcome::Done);
    const std::vector<std::string> expected = {
        "07000042A00004200008",
        "07000042N031001", // family 1 (NANO), RAM rewrite ticked "0", no bands, input test
        "07000042T3014040126",
        std::string("07000042P") + "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89",
    };
    EXPECT_EQ(bus.payloads(), expected);
    for (const auto& s : bus.sent()) {
        EXPECT_EQ(s.loop, 3);
        EXPECT_EQ(s.timing, Timing::Command);
    }
    EXPECT_EQ(clock.pauseCalls, 4) << "a pause before each programming command";
    EXPECT_EQ(clock.pausedMs, 400);
    EXPECT_FALSE(op.waitVisible);
    EXPECT_EQ(op.waitShownCount, 1);
    const auto& done = op.last();
    EXPECT_EQ(done.title, "Messaggio");
    EXPECT_EQ(done.text, "Programmazione effettuata.");
    EXPECT_EQ(done.icon, MsgIcon::Information);
}

TEST_F(ReaderProgrammingTest, ThreeDigitModeAddsTheConfigureSuffixAndSendsThreeCardPositions) {
    op.queueAnswer(Answer::No);
    settings.QuattroCifre = false;
    form.type = "TERA TR-X";
    form.riscriviRam = false;
    form.opening = "49";
    form.cardPos[0] = "10";
    form.codePos[5] = "99";
    bus.respond([](const std::string&, Timing) { return S; });
    EXPECT_EQ(run(), Outcome::Done);
    const auto p = bus.payloads();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0], "07000042A0000420009800");
    EXPECT_EQ(p[1], "07000042N030100");
    EXPECT_EQ(p[3], std::string("07000042P") + "\x8a\x81\x82" + "\x84\x85\x86\x87\x88\xe3");
}

TEST_F(ReaderProgrammingTest, BandsOnlyWhenTickedAndDefined) {
    struct Case {
        const char* what;
        bool ticked;
        bool defined[3];
        std::vector<std::string> bands;
    };
    const std::vector<Case> cases = {
        {"unticked", false, {true, true, true}, {}},
        {"ticked, all defined",
         true,
         {true, true, true},
         {"07000042F108001230", "07000042F213151800", "07000042F320002359"}},
        {"ticked, only band 2 defined", true, {false, true, false}, {"07000042F213151800"}},
        {"ticked, none defined", true, {false, false, false}, {}},
    };
    for (const Case& c : cases) {
        OnlineFakeBus fresh;
        fresh.respond([](const std::string&, Timing) { return S; });
        Settings s = settings;
        for (int i = 0; i < 3; ++i) {
            if (!c.defined[i]) {
                s.OrarioIniziale[i] = "##:##";
            }
        }
        s.computeBandFlags();
        ReaderForm f = form;
        f.fasceOrarie = c.ticked;
        op.queueAnswer(Answer::No);
        ReaderProgramming programming(fresh, op, clock, pump, s);
        EXPECT_EQ(programming.run(f), Outcome::Done) << c.what;
        const auto p = fresh.payloads();
        ASSERT_GE(p.size(), 4u) << c.what;
        EXPECT_EQ(std::vector<std::string>(p.begin() + 4, p.end()), c.bands) << c.what;
        EXPECT_EQ(p[1].substr(11, 4), c.ticked ? "1010" : "1000") << c.what << ": bands flag in the options";
    }
}

TEST_F(ReaderProgrammingTest, ResetThenWaitForTheReaderThenConfigureUnderTheResetCode) {
    op.queueAnswer(Answer::Yes);
    int polls = 0;
    // Each unanswered poll takes the command timeout; the reader answers again 30 s after the reset.
    bus.duringExchange([this] { clock.advance(2.0); });
    const double resetAt = clock.monotonic;
    bus.respond([&](const std::string& payload, Timing) -> std::string {
        if (payload == "07000000D") {
            ++polls;
            return clock.monotonic - resetAt >= 30.0 ? S : std::string();
        }
        return S;
    });
    EXPECT_EQ(run(), Outcome::Done);
    const auto p = bus.payloads();
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(p[0], "W0700");
    EXPECT_EQ(polls, 14);
    EXPECT_GE(pump.calls, polls) << "window events run at every turn of the wait";
    const std::size_t configure = 1 + static_cast<std::size_t>(polls);
    ASSERT_EQ(p.size(), configure + 4);
    EXPECT_EQ(p[configure], "07000000A00004200008") << "reset reader still has site code 000000";
    EXPECT_EQ(p[configure + 1].substr(0, 9), "07000042N") << "later commands use the new code";
    EXPECT_EQ(op.last().text, "Programmazione effettuata.");
}

TEST_F(ReaderProgrammingTest, ResetReaderThatNeverAnswersEndsAfterAHundredSeconds) {
    op.queueAnswer(Answer::Yes);
    bus.duringExchange([this] { clock.advance(2.0); });
    bus.respond([](const std::string& payload, Timing) { return payload[0] == 'W' ? S : std::string(); });
    const double start = clock.monotonic;
    EXPECT_EQ(run(), Outcome::Failed);
    const auto p = bus.payloads();
    EXPECT_EQ(p.size(), 1u + 50u) << "reset, then polls for 100 s";
    for (std::size_t i = 1; i < p.size(); ++i) {
        EXPECT_EQ(p[i], "07000000D");
    }
    EXPECT_NEAR(clock.monotonic - start, 102.0, 0.01);
    EXPECT_FALSE(op.waitVisible);
    EXPECT_EQ(op.last().title, "Attenzione");
    EXPECT_EQ(op.last().text, "Il lettore non risponde.");
    EXPECT_EQ(op.last().icon, MsgIcon::Exclamation);
}

TEST_F(ReaderProgrammingTest, WaitForAResetReaderCanBeCancelled) {
    op.queueAnswer(Answer::Yes);
    bus.duringExchange([this] { clock.advance(2.0); });
    bus.respond([](const std::string& payload, Timing) { return payload[0] == 'W' ? S : std::string(); });
    int asked = 0;
    EXPECT_EQ(run([&] { return ++asked == 4; }), Outcome::Cancelled);
    EXPECT_EQ(bus.payloads().size(), 1u + 3u) << "no poll after the cancel, no configure";
    EXPECT_FALSE(op.waitVisible);
    EXPECT_TRUE(op.messages().empty());
}

TEST_F(ReaderProgrammingTest, AnnullaOnTheWaitFormEndsTheWaitForAResetReaderSilently) {
    op.queueAnswer(Answer::Yes);
    bus.duringExchange([this] { clock.advance(2.0); });
    bus.respond([](const std::string& payload, Timing) { return payload[0] == 'W' ? S : std::string(); });
    op.cancelWaitAfter = 3; // "Annulla" pressed on the wait form during the third poll
    EXPECT_EQ(run(), Outcome::Cancelled);
    EXPECT_EQ(bus.payloads().size(), 1u + 2u) << "no poll after the cancel, no configure";
    EXPECT_FALSE(op.waitVisible);
    EXPECT_TRUE(op.messages().empty());
}

TEST_F(ReaderProgrammingTest, AnnullaBetweenTwoCommandsStopsThereAndNamesTheHalfProgrammedReader) {
    for (std::size_t sentBefore = 0; sentBefore < 3; ++sentBefore) { // four commands, three boundaries
        SCOPED_TRACE(sentBefore);
        bus.clear();
        op.clear();
        op.queueAnswer(Answer::No);
        bus.respond([](const std::string&, Timing) { return S; });
        // "Annulla" pressed while command `sentBefore` is on the wire: it acts at the next boundary.
        bool pressed = false;
        EXPECT_EQ(run([&] { return pressed || (pressed = bus.payloads().size() > sentBefore); }),
                  Outcome::Cancelled);
        EXPECT_EQ(bus.payloads().size(), sentBefore + 1) << "the command under way finished, no other went";
        EXPECT_FALSE(op.waitVisible);
        ASSERT_EQ(op.messages().size(), 1u);
        EXPECT_EQ(op.last().title, "Attenzione");
        EXPECT_EQ(op.last().text,
                  "Programmazione interrotta: il lettore 7 del loop 3 è stato programmato solo in parte.");
    }
}

TEST_F(ReaderProgrammingTest, EveryFailureStopsTheRunAtItsCommandWithItsMessage) {
    struct Case {
        const char* what;
        bool reset;
        std::size_t failingCommand; // 0-based index of the command whose reply fails
        std::string reply;
        std::string message;
        MsgIcon icon;
    };
    const auto E = MsgIcon::Exclamation;
    const std::vector<Case> cases = {
        {"reset unanswered", true, 0, "", "Periferica non connessa.", E},
        {"reset answered D at position 2", true, 0, frame('D', 'S'), "Errore nel trasferimento dati.", E},
        {"configure unanswered", false, 0, "", "Periferica non connessa.", E},
        {"configure D", false, 0, frame('0', 'D'), "Errore nel trasferimento dati.", E},
        {"options C", false, 1, frame('0', 'C'), "Errore nel codice applicazione.", E},
        {"clock X", false, 2, frame('0', 'X'), "Risposta sconosciuta.", MsgIcon::Critical},
        {"positions D", false, 3, frame('0', 'D'), "Errore nel trasferimento dati.", E},
        {"band 1 unknown", false, 4, frame('0', 'I'), "Risposta sconosciuta.", MsgIcon::Critical},
        {"band 3 C", false, 6, frame('0', 'C'), "Errore nel codice applicazione.", E},
    };
    for (const Case& c : cases) {
        OnlineFakeBus fresh;
        ScriptedOperator o;
        o.queueAnswer(c.reset ? Answer::Yes : Answer::No);
        std::size_t n = 0;
        fresh.respond([&](const std::string&, Timing) { return n++ == c.failingCommand ? c.reply : S; });
        ReaderForm f = form;
        f.fasceOrarie = true;
        ReaderProgramming programming(fresh, o, clock, pump, settings);
        EXPECT_EQ(programming.run(f), Outcome::Failed) << c.what;
        EXPECT_EQ(fresh.payloads().size(), c.failingCommand + 1)
            << c.what << ": nothing sent after the failure";
        EXPECT_FALSE(o.waitVisible) << c.what;
        ASSERT_EQ(o.messages().size(), 1u) << c.what;
        EXPECT_EQ(o.messages()[0].title, "Attenzione") << c.what;
        EXPECT_EQ(o.messages()[0].text, c.message) << c.what;
        EXPECT_EQ(o.messages()[0].icon, c.icon) << c.what;
    }
}

} // namespace
} // namespace sentinex
