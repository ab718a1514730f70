// Polling after an unexpected end: the program is killed hard (SIGKILL) with polling on and started
// again. With "RiprendiPolling" on it works the doors at once; otherwise, and after a clean exit, the
// operator switches polling on as always.

#include "E2eRig.hpp"
#include "HostProcess.hpp"

#include "online/PollingStep.hpp"

#include <QLabel>

namespace sentinex::e2e {
namespace {

TEST(PollingResumeTest, AfterAKillPollingComesBackOnlyWhenTheSettingAsksForIt) {
    struct Case {
        const char* riprendi;
        bool killed; // else "Uscita dal programma", confirmed
        bool resumed;
    };
    for (const Case c : {Case{"SI", true, true}, Case{"NO", true, false}, Case{"SI", false, false}}) {
        SCOPED_TRACE(std::string("RiprendiPolling=") + c.riprendi +
                     (c.killed ? ", killed" : ", left on purpose"));
        Rig rig({{1, 1, "Ingresso", "In"}}, false, settingsText({{"RiprendiPolling", c.riprendi}}));
        ASSERT_TRUE(rig.sim->running());
        for (const char* card : {"0001", "0002"}) {
            TestInstall::User u;
            u.NumeroCarta = card;
            rig.install.addUser(u);
        }

        // The first run: polling on, a card goes through, then the end.
        const auto granted = [&rig](const char* card) {
            return rig.count(
                       std::string("SELECT COUNT(*) FROM transiti WHERE Passaggio = 1 AND NumeroBadge = '") +
                       card + "'") == 1;
        };
        if (c.killed) {
            const std::string log = rig.install.temp().file("host.log");
            Host host(rig.install.dir(), log);
            ASSERT_TRUE(host.started());
            rig.present(1, "0001000123");
            ASSERT_TRUE(pumpUntil([&] { return granted("0001"); }, 20.0)) << testing::TempDir::read(log);
            ASSERT_TRUE(host.alive());
            host.kill();
        } else {
            ASSERT_TRUE(rig.start());
            rig.click("Command4");
            rig.present(1, "0001000123");
            ASSERT_TRUE(pumpUntil([&] { return granted("0001"); }));
            rig.op.queueAnswer(Answer::Yes);
            rig.click("Command5");
            ASSERT_TRUE(pumpUntil([&] { return rig.quitCode.has_value(); }));
            rig.frm.reset();
            rig.session.reset();
            rig.op.clear();
        }
        const auto first = rig.install.db()->query("SELECT Data, Ora FROM transiti");
        ASSERT_EQ(first.size(), 1u);

        // The start again, in this process: the window as the operator finds it.
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.session->state().pollingOn, c.resumed);
        EXPECT_EQ(rig.session->state().outputOn, false) << "it was off";
        const std::string status = rig.label("LabelStato");
        if (c.resumed) {
            // Its own line: a kill between the passage and the presence counter's rewrite adds the
            // counter's line above it.
            const std::string line = "Polling ripreso dopo un arresto imprevisto (ultima registrazione " +
                                     first[0][0].toString() + " " + first[0][1].toString() + ")";
            EXPECT_TRUE(status == line || status.ends_with("\n" + line)) << status;
        } else {
            EXPECT_EQ(status.find("ripreso"), std::string::npos) << status;
        }
        const int pollsBefore = rig.polls(1);
        rig.present(1, "0002000123");
        if (c.resumed) {
            EXPECT_TRUE(pumpUntil([&] { return granted("0002"); }));
            EXPECT_EQ(rig.kRequests(1).size(), 2u) << "one grant in each run";
        } else {
            pumpFor(300); // six passes of the short "Polling" setting
            EXPECT_EQ(rig.polls(1), pollsBefore) << "nobody switched polling on";
            EXPECT_FALSE(granted("0002"));
            rig.click("Command4");
            EXPECT_TRUE(pumpUntil([&] { return granted("0002"); }));
        }
        rig.stopPolling();
    }
}

} // namespace
} // namespace sentinex::e2e
