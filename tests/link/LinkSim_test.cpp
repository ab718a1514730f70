// The link against sentinex-readersim over a real pty.
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "link/Link.hpp"
#include "link/ReaderCommands.hpp"
#include "link/ReaderReply.hpp"
#include "link/TermiosSerialPort.hpp"
#include "readers/ReaderList.hpp"
#include "readers/ReaderOps.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SimProcess.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <unistd.h>

namespace sentinex {
namespace {

/// A reader on loop 1 at address 1, site code 123.
const ReaderAddress kReader{1, 1, 123};

using RC = ReaderCommands;
using testing::ScriptedOperator;
using testing::SimProcess;

class HookPump : public EventPump {
public:
    void processEvents() override {
        if (hook) {
            auto h = std::move(hook);
            h();
        }
    }
    std::function<void()> hook;
};

class LinkSim : public ::testing::Test {
protected:
    void start(std::vector<SimProcess::Reader> readers, bool board = false) {
        sim = std::make_unique<SimProcess>(SimProcess::Options{std::move(readers), board, false});
        ASSERT_TRUE(sim->running());
        ini = sim->writeSettings({}, board);
        settings = SettingsFile(ini).loadAll();
        ASSERT_EQ(settings.Seriale, 1);
        ASSERT_EQ(settings.SchedaL485, board);
        link = std::make_unique<Link>(settings, ini, clock, pump, op);
        ASSERT_TRUE(link->openPort()) << link->lastError();
    }
    double timed(const std::function<void()>& f) {
        const double t0 = clock.monotonicSeconds();
        f();
        return clock.monotonicSeconds() - t0;
    }

    std::unique_ptr<SimProcess> sim;
    std::string ini;
    Settings settings;
    SystemClock clock;
    HookPump pump;
    ScriptedOperator op;
    std::unique_ptr<Link> link;
};

TEST_F(LinkSim, EveryCommandReachesTheReaderAndIsAnswered) {
    start({{1, 5, 42}});
    const std::string p = RC::prefix(5, 42);
    const std::string fresh = RC::prefix(5, 0);
    const std::int16_t card[4] = {0, 1, 2, 3};
    const std::int16_t code[6] = {4, 5, 6, 7, 8, 9};
    sim->queueTransit(1, 5, "004209050301");
    sim->queueTransit(1, 5, "077717300212");
    struct Step {
        std::string payload;
        char code;
        std::string data; // what follows the code, when checked
    } steps[] = {
        {RC::reset(5), 'S', ""},
        {RC::poll(p), 'C', ""}, // the reset reader answers to site 000000 only
        {RC::postResetPoll(5), 'S', "000"},
        {RC::configure(fresh, "000042", 3, true), 'S', ""},
        {RC::options(p, 2, "NANO NN-K", false, true, false), 'S', ""},
        {RC::clock(p, DateTime{2027, 3, 1, 9, 5, 0}), 'S', ""},
        {RC::dataPositions(p, card, code, true), 'S', ""},
        {RC::timeBand(p, 2, "08:00", "12:30"), 'S', ""},
        {RC::storeCard(p, "42", true, "0110210"), 'S', ""},
        {RC::storeCard(p, "43", true, "1000011"), 'S', ""},
        {RC::deleteCard(p, "43", true), 'S', ""},
        {RC::grant(p, true, false), 'S', ""},
        {RC::refuse(p), 'S', ""},
        {RC::unlock(p, true, true), 'S', ""},
        {RC::setOutput(p, 1), 'S', ""},
        {RC::cardFileRecord(p, "\"007A1B2C3\""), 'S', ""},
        {RC::downloadStart(p), 'S', ""},
        {RC::nextTransit(p), 'Z', "004209050301"},
        {RC::nextTransit(p), 'Z', "077717300212"},
        {RC::nextTransit(p), 'F', ""},
        {RC::clearMemory(p), 'S', ""},
    };
    std::vector<std::string> sent;
    for (const auto& s : steps) {
        const std::string reply = link->exchange(kReader, s.payload, Timing::Command);
        sent.push_back(s.payload);
        ASSERT_FALSE(reply.empty()) << s.payload;
        EXPECT_EQ(reply[0], '\x02');
        EXPECT_EQ(ReaderReply::mid(reply, 2, 2), "05");
        EXPECT_EQ(ReaderReply::code(reply), s.code) << s.payload;
        if (!s.data.empty()) {
            EXPECT_EQ(reply.substr(4, reply.size() - 6), s.data) << s.payload;
        }
    }
    EXPECT_EQ(sim->requests(1, 5), sent); // bytes 80h-89h of the positions command included

    auto d = sim->dump(1, 5);
    EXPECT_EQ(d["site"], "000042");
    EXPECT_EQ(d["resets"], "1");
    EXPECT_EQ(d["config"], "00004200006");
    EXPECT_EQ(d["fourdigit"], "1");
    EXPECT_EQ(d["options"], "021110");
    EXPECT_EQ(d["clock"], "0509010327");
    EXPECT_EQ(d["positions"], "80818283848586878889");
    EXPECT_EQ(SimProcess::list(d["bands"]), (std::vector<std::string>{"", "0800-1230", ""}));
    EXPECT_EQ(SimProcess::list(d["cards"]), std::vector<std::string>{"0042:0110210"});
    EXPECT_EQ(SimProcess::list(d["cardfile"]), std::vector<std::string>{"\"007A1B2C3\""});
    EXPECT_EQ(d["transits"], "");
    EXPECT_EQ(d["lastk"], "110000001");
    EXPECT_EQ(d["output"], "1");
}

TEST_F(LinkSim, PollReplyCarriesInputsAndCardDataAtTheirPositions) {
    start({{1, 1, 123}});
    std::string data = "12345";
    for (int b = 0x80; b <= 0xFF; b += 0x11) {
        data += static_cast<char>(b);
    }
    sim->presentCard(1, 1, data, '1', '0');
    const std::string reply = link->exchange(kReader, RC::poll(RC::prefix(1, 123)), Timing::Short);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(ReaderReply::code(reply), 'I');
    EXPECT_EQ(ReaderReply::at(reply, 6), '1');
    EXPECT_EQ(ReaderReply::at(reply, 7), '0');
    EXPECT_EQ(reply.substr(8, reply.size() - 10), data);
    // The card is handed over once.
    EXPECT_EQ(ReaderReply::code(link->exchange(kReader, RC::poll(RC::prefix(1, 123)), Timing::Short)), 'S');
}

TEST_F(LinkSim, TimeoutsOfTheThreeExchangesWithASilentReader) {
    start({{1, 1, 123}});
    sim->setFault(1, 1, "silent");
    const std::string poll = RC::poll(RC::prefix(1, 123));
    struct Case {
        Timing timing;
        double nominal;
    } cases[] = {{Timing::Short, 0.1}, {Timing::Medium, 1.2}, {Timing::Command, 2.0}};
    for (const auto& c : cases) {
        std::string reply = "x";
        const double t = timed([&] { reply = link->exchange(kReader, poll, c.timing); });
        EXPECT_EQ(reply, "");
        EXPECT_GE(t, c.nominal);
        EXPECT_LT(t, c.nominal + 0.5);
    }
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(LinkSim, FaultyRepliesAreRejectedAndSlowOnesCollected) {
    start({{1, 1, 123}});
    const std::string poll = RC::poll(RC::prefix(1, 123));
    struct Case {
        std::string fault;
        Timing timing;
        char code;  // '\0': the exchange returns ""
        int settle; // ms for the rest of a rejected reply to arrive before the next case
    } cases[] = {
        {"badcheck", Timing::Short, '\0', 0},
        {"cut", Timing::Short, '\0', 0},
        {"stray \\x41\\x42", Timing::Short, '\0', 0},
        {"pieces 60 3", Timing::Command, 'S', 0},   // gaps shorter than the 0.5 s silence: one reply
        {"pieces 30 3", Timing::Short, 'S', 0},     // ... and shorter than 0.1 s
        {"pieces 200 3", Timing::Short, '\0', 500}, // a gap longer than the silence timeout ends it
        {"late 30", Timing::Short, 'S', 0},         // within the first-reply timeout
        {"late 400", Timing::Medium, 'S', 0},
        {"code X", Timing::Short, 'X', 0},
        {"none", Timing::Short, 'S', 0},
    };
    for (const auto& c : cases) {
        sim->setFault(1, 1, c.fault);
        const std::string reply = link->exchange(kReader, poll, c.timing);
        EXPECT_EQ(ReaderReply::code(reply), c.code) << c.fault << " " << ::testing::PrintToString(reply);
        if (c.code != '\0') {
            EXPECT_EQ(reply.substr(0, 4), std::string("\x02"
                                                      "01") +
                                              c.code)
                << c.fault;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(c.settle));
    }
}

TEST_F(LinkSim, LateReplyIsDiscardedAtTheNextExchange) {
    start({{1, 1, 123}});
    const std::string poll = RC::poll(RC::prefix(1, 123));
    sim->setFault(1, 1, "late 250 count=1");
    EXPECT_EQ(link->exchange(kReader, poll, Timing::Short), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the late "S" now waits in the buffer
    sim->presentCard(1, 1, "0042");
    const std::string reply = link->exchange(kReader, poll, Timing::Short);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.substr(0, 4), "\x02"
                                  "01I");
    EXPECT_EQ(reply.substr(8, reply.size() - 10), "0042");
}

TEST_F(LinkSim, AReaderThatNeverStopsCannotHoldTheProgram) {
    start({{1, 1, 123}});
    sim->setFault(1, 1, "endless");
    std::string reply = "x";
    const double t =
        timed([&] { reply = link->exchange(kReader, RC::poll(RC::prefix(1, 123)), Timing::Command); });
    EXPECT_EQ(reply, "");
    EXPECT_LT(t, 2.0 + Link::MaxCollectSeconds + 0.5);
}

TEST_F(LinkSim, DeviceVanishingWhileOpen) {
    start({{1, 1, 123}});
    const std::string poll = RC::poll(RC::prefix(1, 123));
    ASSERT_FALSE(link->exchange(kReader, poll, Timing::Command).empty());
    sim->kill();
    for (int i = 0; i < 3; ++i) {
        std::string reply = "x";
        const double t = timed([&] { reply = link->exchange(kReader, poll, Timing::Command); });
        EXPECT_EQ(reply, "");
        EXPECT_LT(t, 0.5);
    }
    EXPECT_FALSE(link->portOpen());
}

TEST_F(LinkSim, AVanishedDeviceIsOpenedAgainWhenItComesBack) {
    // The settings name a stable path (as /dev/serial/by-id names do) that follows the simulator.
    testing::TempDir dir;
    auto first = std::make_unique<SimProcess>(SimProcess::Options{{{1, 1, 123}}, false, false});
    const std::string stable = dir.file("port");
    ASSERT_EQ(::symlink(first->linkPath().c_str(), stable.c_str()), 0);
    const std::string ini =
        dir.write("Sentinex.ini", "[Impostazioni]\r\nSeriale=1\r\n[Porte]\r\nCOM1=" + stable + "\r\n");
    settings = SettingsFile(ini).loadAll();
    Link own(settings, ini, clock, pump, op);
    ASSERT_TRUE(own.openPort());
    const std::string poll = RC::poll(RC::prefix(1, 123));
    ASSERT_FALSE(own.exchange(kReader, poll, Timing::Short).empty());
    first->kill();
    EXPECT_EQ(own.exchange(kReader, poll, Timing::Short), "");
    SimProcess second({{{1, 1, 123}}, false, false});
    ::unlink(stable.c_str());
    ASSERT_EQ(::symlink(second.linkPath().c_str(), stable.c_str()), 0);
    std::string reply;
    for (int i = 0; i < 40 && reply.empty(); ++i) { // reopening is tried about once a second
        reply = own.exchange(kReader, poll, Timing::Short);
    }
    EXPECT_EQ(ReaderReply::code(reply), 'S');
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(LinkSim, TheDeviceIsLockedWhileOpen) {
    start({{1, 1, 123}});
    TermiosSerialPort second;
    std::string why;
    EXPECT_FALSE(second.open(sim->linkPath(), &why));
    EXPECT_FALSE(why.empty());
    link.reset();
    EXPECT_TRUE(second.open(sim->linkPath(), &why)) << why;
}

TEST_F(LinkSim, BoardModeReachesEachLoopAndOnlyIt) {
    // Address 1 on loops 1 and 3: only the selected loop's reader hears and answers.
    start({{1, 1, 100}, {3, 1, 300}, {8, 2, 800}}, true);
    struct Case {
        int loop;
        int address;
        int site;
        std::string card;
    } cases[] = {{3, 1, 300, "3333"}, {1, 1, 100, "1111"}, {8, 2, 800, "8888"}};
    for (const auto& c : cases) {
        sim->presentCard(c.loop, c.address, c.card);
    }
    for (const auto& c : cases) {
        const std::string reply = link->exchange({c.loop, c.address, c.site},
                                                 RC::poll(RC::prefix(c.address, c.site)), Timing::Short);
        ASSERT_FALSE(reply.empty()) << c.loop;
        EXPECT_EQ(reply.substr(8, reply.size() - 10), c.card);
    }
    EXPECT_EQ(sim->command("board"), "reg=0F loop=8 driver=0 armed=0");
    // nobody at address 1 on loop 2
    EXPECT_EQ(link->exchange({2, 1, 100}, RC::poll(RC::prefix(1, 100)), Timing::Short), "");
    const std::vector<std::string> frames = {"3:01000300D", "1:01000100D", "8:02000800D", "2:01000100D"};
    EXPECT_EQ(sim->frames(), frames);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(LinkSim, BoardFittedButNotDrivenHearsNothing) {
    start({{1, 1, 100}}, true);
    settings.SchedaL485 = false; // the board is there, the program does not enable its driver
    EXPECT_EQ(link->exchange(kReader, RC::poll(RC::prefix(1, 100)), Timing::Short), "");
    ASSERT_EQ(sim->frames().size(), 1u);
    EXPECT_EQ(sim->frames()[0].substr(0, 2), "0:");
}

TEST_F(LinkSim, OutputTickAndUnlockDuringAnExchangeReachTheReader) {
    start({{1, 5, 42}});
    ReaderEntry e;
    e.address = 5;
    e.loop = 1;
    e.siteCode = 42;
    ReaderList readers;
    readers.setEntries({e});
    settings.TastieraOutput1 = true;
    settings.TastieraOutput2 = false;
    sim->presentCard(1, 5, "0042");
    sim->setFault(1, 5, "late 150 count=1");
    std::string nested = "unset";
    pump.hook = [&] {
        nested = link->exchange(kReader, RC::poll(RC::prefix(5, 42)), Timing::Short); // refused at once
        ReaderOps::setOutputs(*link, readers, 1);
        ReaderOps::unlockReader(*link, readers, 0, settings);
    };
    const std::string poll = RC::poll(RC::prefix(5, 42));
    const std::string reply = link->exchange(kReader, poll, Timing::Command);
    EXPECT_EQ(nested, "");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.substr(0, 4), "\x02"
                                  "05I");
    EXPECT_EQ(reply.substr(8, reply.size() - 10), "0042");
    const std::vector<std::string> expected = {poll, "05000042O01", "05000042K110000000"};
    EXPECT_EQ(sim->requests(1, 5), expected);
    auto d = sim->dump(1, 5);
    EXPECT_EQ(d["output"], "1");
    EXPECT_EQ(d["lastk"], "110000000");
}

TEST_F(LinkSim, OutputSettingGoesToEveryReaderInListOrderSilently) {
    start({{1, 3, 1}, {1, 1, 1}, {1, 2, 1}});
    std::vector<ReaderEntry> entries;
    for (int a : {3, 1, 2}) {
        ReaderEntry e;
        e.address = static_cast<std::int16_t>(a);
        e.loop = 1;
        e.siteCode = 1;
        entries.push_back(e);
    }
    sim->setFault(1, 1, "silent");
    ReaderList readers;
    readers.setEntries(entries);
    ReaderOps::setOutputs(*link, readers, 1);
    const std::vector<std::string> frames = {"1:03000001O01", "1:01000001O01", "1:02000001O01"};
    EXPECT_EQ(sim->frames(), frames);
    EXPECT_TRUE(op.shown.empty());
}

} // namespace
} // namespace sentinex
