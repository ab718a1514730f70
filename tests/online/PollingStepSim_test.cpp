// The polling step over the real link, against sentinex-readersim on a pty.
#include "support/OnlineHarness.hpp"
#include "support/SimProcess.hpp"

#include "core/Clock.hpp"
#include "link/Link.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::OnlineHarness;
using testing::SimProcess;
using testing::TestInstall;

class PollingStepSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<SimProcess>(
            SimProcess::Options{{{1, 1, 123, "NANO NN-K"}, {1, 2, 123, "NANO NN-K"}}});
        ASSERT_TRUE(sim->running());
        const std::string ini = sim->writeSettings(h.install.dir(), false, "300H",
                                                   "QuattroCifre=Si\r\nBeep=No\r\nStoricoEsterno=No\r\n");
        h.settings = h.settingsFile.loadAll();
        link = std::make_unique<Link>(h.settings, ini, clock, h.pump, h.op);
        ASSERT_TRUE(link->openPort()) << link->lastError();
        TestInstall::Reader in;
        in.NumeroIndirizzo = 1;
        h.addReader(in);
        TestInstall::Reader out;
        out.NumeroIndirizzo = 2;
        out.Stato = "Out";
        h.addReader(out);
        TestInstall::User u;
        u.NumeroCarta = "0042";
        u.Cognome = "Verdi";
        u.Nome = "Anna";
        u.extra["Output2"] = Value(false);
        h.addUser(u);
        step = std::make_unique<PollingStep>(PollingStep::Environment{h.state,
                                                                      h.settings,
                                                                      h.settingsFile,
                                                                      h.install.dir(),
                                                                      *h.install.db(),
                                                                      *link,
                                                                      clock,
                                                                      h.pump,
                                                                      h.op,
                                                                      h.view,
                                                                      {}});
    }

    OnlineHarness h;
    SystemClock clock;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Link> link;
    std::unique_ptr<PollingStep> step;
};

TEST_F(PollingStepSim, CardGrantedAtTheEntranceAndTheExit) {
    sim->presentCard(1, 1, "0042000123");
    step->run(1);
    const std::string granted = "Carta 0042 - Accesso consentito - Verdi Anna\r\n";
    EXPECT_EQ(h.view.lastEvent().substr(0, granted.size()), granted);
    const auto r1 = sim->requests(1, 1);
    ASSERT_EQ(r1.size(), 2u);
    EXPECT_EQ(r1[0], "01000123D");
    EXPECT_EQ(r1[1], "01000123K110001000");
    EXPECT_EQ(h.inside(), std::vector<std::string>{"0042"});
    EXPECT_EQ(h.utentiInFile(), 1);

    // Nothing presented: the poll is answered without a card and nothing changes.
    step->run(2);
    EXPECT_EQ(h.transits().size(), 1u);

    sim->presentCard(1, 2, "0042000123");
    step->run(2);
    EXPECT_EQ(h.view.lastEvent().substr(0, granted.size()), granted);
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.utentiInFile(), 0);
    const auto t = h.transits();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].at("verso").toString(), "Out");
}

TEST_F(PollingStepSim, RefusedCardGetsTheRefusalCommand) {
    sim->presentCard(1, 1, "0099000123");
    step->run(1);
    const std::string unknown = "Carta non presente nel database \r\n";
    EXPECT_EQ(h.view.lastEvent().substr(0, unknown.size()), unknown);
    const auto r = sim->requests(1, 1);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1], "01000123K000000000");
    ASSERT_EQ(h.transits().size(), 1u);
    EXPECT_EQ(h.transits()[0].at("nota").toString(), "Badge non presente in archivio");
}

TEST_F(PollingStepSim, SilentReaderCostsItsTimeoutAndNothingElse) {
    sim->setFault(1, 1, "silent");
    const double t0 = clock.monotonicSeconds();
    step->run(1);
    const double spent = clock.monotonicSeconds() - t0;
    EXPECT_GE(spent, 0.1);
    EXPECT_TRUE(h.view.received.empty());
    EXPECT_TRUE(h.transits().empty());
}

TEST_F(PollingStepSim, EveryGrantTheReaderHeardIsRecordedAndOnlyConfirmedOnesCount) {
    struct Case {
        const char* fault; // on the reply to the grant only
        bool confirmed;
    };
    // "late 2500" comes after the link has given up waiting (2 s); it is last, so its stray reply
    // cannot reach another case.
    const Case cases[] = {{"none", true},
                          {"silent count=1", false},
                          {"badcheck count=1", false},
                          {"cut count=1", false},
                          {"code D count=1", false},
                          {"late 300 count=1", true},
                          {"late 2500 count=1", false}};
    int unconfirmed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        h.install.db()->executeScript("DELETE FROM transiti; DELETE FROM presenti");
        h.settings.Utenti = 0;
        ASSERT_TRUE(h.settingsFile.writeUtenti(0));
        h.view.received.clear();
        sim->clearRequests(1, 1);
        sim->presentCard(1, 1, "0042000123");
        bool armed = false;
        h.pump.hook = [&] {
            if (!armed && !h.view.received.empty()) {
                armed = true; // the card has been read: the next reply is the grant's
                sim->setFault(1, 1, c.fault);
            }
        };
        step->run(1);
        h.pump.hook = nullptr;
        ASSERT_TRUE(armed);
        const auto heard = sim->requests(1, 1);
        ASSERT_EQ(heard.size(), 2u);
        EXPECT_EQ(heard[1], "01000123K110001000");
        const auto t = h.transits();
        ASSERT_EQ(t.size(), 1u) << "the grant the reader heard has its history row";
        EXPECT_EQ(t[0].at("NumeroBadge").toString(), "0042");
        EXPECT_EQ(t[0].at("nota").toString(), c.confirmed ? "Passaggio" : "Esito non confermato");
        EXPECT_EQ(t[0].at("Passaggio").toInt(), c.confirmed ? 1 : 0);
        EXPECT_EQ(h.inside().size(), c.confirmed ? 1u : 0u);
        EXPECT_EQ(h.utentiInFile(), c.confirmed ? 1 : 0);
        if (!c.confirmed) {
            ++unconfirmed;
            ASSERT_FALSE(h.view.status.empty());
            EXPECT_NE(h.view.status.back().find(std::to_string(unconfirmed) + " passaggi"), std::string::npos)
                << h.view.status.back();
        }
        sim->setFault(1, 1, "none");
    }
}

} // namespace
} // namespace sentinex
