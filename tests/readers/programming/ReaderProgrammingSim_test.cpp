// The programming run over the real link against sentinex-readersim: what the reader holds afterwards.
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Numbers.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/Link.hpp"
#include "readers/programming/ReaderForm.hpp"
#include "readers/programming/ReaderProgramming.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SimProcess.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::SimProcess;
using Outcome = ReaderProgramming::Outcome;

class ReaderProgrammingSim : public ::testing::Test {
protected:
    void SetUp() override {
        // Board mode, the reader on loop 3: the run must reach it there.
        sim = std::make_unique<SimProcess>(SimProcess::Options{{{3, 7, 555, "TERA TR-Y1"}}, true, false});
        ASSERT_TRUE(sim->running());
        const std::string ini = sim->writeSettings({}, true);
        settings = SettingsFile(ini).loadAll();
        settings.Ritardo = 2;
        settings.QuattroCifre = true;
        settings.OrarioIniziale[0] = "07:30";
        settings.OrarioFinale[0] = "12:00";
        settings.OrarioIniziale[1] = "##:##";
        settings.OrarioFinale[1] = "##:##";
        settings.OrarioIniziale[2] = "14:00";
        settings.OrarioFinale[2] = "19:45";
        settings.computeBandFlags();
        link = std::make_unique<Link>(settings, ini, clock, pump, op);
        ASSERT_TRUE(link->openPort()) << link->lastError();

        form = ReaderForm::cleared(true, true);
        form.type = "TERA TR-Y1";
        form.siteCode = "000042";
        form.opening = "3";
        form.state = "InOut";
        form.loop = "3";
        form.address = "7";
        form.cardPos[0] = "12";
        form.codePos[5] = "40";
        form.fasceOrarie = true;
    }

    std::unique_ptr<SimProcess> sim;
    Settings settings;
    SystemClock clock;
    NullEventPump pump;
    ScriptedOperator op;
    std::unique_ptr<Link> link;
    ReaderForm form;
};

TEST_F(ReaderProgrammingSim, FullRunWithResetLeavesTheReaderProgrammed) {
    // The reader stays silent for 2.5 s after the reset, as a reader starting up again does.
    sim->setFault(3, 7, "reboot 2500");
    op.queueAnswer(Answer::Yes);
    ReaderProgramming programming(*link, op, clock, pump, settings);
    const DateTime before = clock.now();
    EXPECT_EQ(programming.run(form), Outcome::Done) << (op.shown.empty() ? "" : op.last().text);
    const DateTime after = clock.now();
    EXPECT_EQ(op.last().text, "Programmazione effettuata.");

    auto state = sim->dump(3, 7);
    EXPECT_EQ(state["resets"], "1");
    EXPECT_EQ(state["site"], "000042");
    EXPECT_EQ(state["opening"], "06") << "opening time in half seconds";
    EXPECT_EQ(state["fourdigit"], "1");
    EXPECT_EQ(state["options"], "020010") << "delay 02, family 0, RAM rewrite ticked, bands, no input test";
    auto clockText = [](const DateTime& t) {
        return padLeftZeros(t.minute, 2) + padLeftZeros(t.hour, 2) + padLeftZeros(t.day, 2) +
               padLeftZeros(t.month, 2) + padLeftZeros(t.year % 100, 2);
    };
    EXPECT_TRUE(state["clock"] == clockText(before) || state["clock"] == clockText(after)) << state["clock"];
    EXPECT_EQ(state["positions"], "8C8182838485868788A8");
    EXPECT_EQ(SimProcess::list(state["bands"]), (std::vector<std::string>{"0730-1200", "", "1400-1945"}));
    // At least one poll went unanswered while the reader started up.
    const auto requests = sim->requests(3, 7);
    int resetPolls = 0;
    for (const auto& r : requests) {
        resetPolls += r == "07000000D" ? 1 : 0;
    }
    EXPECT_GE(resetPolls, 2);
}

TEST_F(ReaderProgrammingSim, ThreeDigitRunWithoutResetOnAReaderThatAlreadyHasTheCode) {
    sim->command("site 3 7 000042");
    settings.QuattroCifre = false;
    form.fasceOrarie = false;
    op.queueAnswer(Answer::No);
    ReaderProgramming programming(*link, op, clock, pump, settings);
    EXPECT_EQ(programming.run(form), Outcome::Done) << (op.shown.empty() ? "" : op.last().text);
    auto state = sim->dump(3, 7);
    EXPECT_EQ(state["resets"], "0");
    EXPECT_EQ(state["fourdigit"], "0");
    EXPECT_EQ(state["positions"], "8C81828485868788A8") << "three card positions";
    EXPECT_EQ(state["bands"], ",,") << "no band sent with \"Fasce orarie\" unticked";
}

TEST_F(ReaderProgrammingSim, UnknownReplyStopsTheRunWithACriticalMessage) {
    sim->command("site 3 7 000042");
    sim->setFault(3, 7, "code X");
    op.queueAnswer(Answer::No);
    ReaderProgramming programming(*link, op, clock, pump, settings);
    EXPECT_EQ(programming.run(form), Outcome::Failed);
    EXPECT_EQ(op.last().text, "Risposta sconosciuta.");
    EXPECT_EQ(op.last().icon, MsgIcon::Critical);
    EXPECT_EQ(sim->requests(3, 7).size(), 1u) << "the run ends at the first command";
}

TEST_F(ReaderProgrammingSim, WrongSiteCodeWithoutResetIsACodeError) {
    op.queueAnswer(Answer::No);
    ReaderProgramming programming(*link, op, clock, pump, settings);
    EXPECT_EQ(programming.run(form), Outcome::Failed);
    EXPECT_EQ(op.last().text, "Errore nel codice applicazione.");
    EXPECT_EQ(sim->dump(3, 7)["site"], "000555") << "nothing changed in the reader";
}

} // namespace
} // namespace sentinex
