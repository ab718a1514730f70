#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Settings.hpp"
#include "link/Frame.hpp"
#include "link/Link.hpp"
#include "link/TermiosSerialPort.hpp"
#include "support/LinkRecordingPortIo.hpp"
#include "support/LinkScriptedPort.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace sentinex {
namespace {

/// A reader on loop 1 at address 1, site code 123.
const ReaderAddress kReader{1, 1, 123};

using testing::LinkRecordingPortIo;
using testing::LinkScriptedPort;
using testing::ScriptedOperator;
using testing::TempDir;

std::string replyFrame(const std::string& body) {
    std::string r = "\x02" + body + "\x05";
    return r + Frame::replyCheck(r);
}

class HookPump : public EventPump {
public:
    void processEvents() override {
        ++calls;
        if (hook) {
            auto h = std::move(hook); // once
            h();
        }
    }
    std::function<void()> hook;
    int calls = 0;
};

/// A link over a scripted port whose reader answers every frame with "S".
class LinkFake : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Seriale = 1;
        settings.Indirizzo485 = 0x300;
        auto p = std::make_unique<LinkScriptedPort>();
        port = p.get();
        port->log = &log;
        port->onWrite = [this](const std::string&) { port->chunks.push_back(replyFrame("01S")); };
        link = std::make_unique<Link>(settings, dir.file("Sentinex.ini"), clock, pump, op);
        link->attachPort(std::move(p));
        link->setPortIoFactory(
            [this](std::uint16_t, std::uint16_t, std::string& why) -> std::unique_ptr<PortIo> {
                ++factoryCalls;
                if (!portIoWhy.empty()) {
                    why = portIoWhy;
                    return nullptr;
                }
                return std::make_unique<LinkRecordingPortIo>(log);
            });
    }

    TempDir dir;
    Settings settings;
    SystemClock clock;
    HookPump pump;
    ScriptedOperator op;
    std::vector<std::string> log;
    LinkScriptedPort* port = nullptr;
    std::unique_ptr<Link> link;
    std::string portIoWhy;
    int factoryCalls = 0;
};

TEST_F(LinkFake, BoardRegisterAroundTheFrameForLoop3) {
    settings.SchedaL485 = true;
    EXPECT_EQ(link->exchange({3, 1, 123}, "01000123D", Timing::Short), replyFrame("01S"));
    const std::vector<std::string> expected = {"out 300 1A",
                                               "serial 0130313030303132334405"
                                               "41",
                                               "in 3FD",
                                               "in 3FD",
                                               "in 3FD",
                                               "out 300 0A"};
    EXPECT_EQ(log, expected);
}

TEST(LinkBoard, RegisterValuesAndStatusAddresses) {
    EXPECT_EQ(Link::boardValue(1, false), 0x08);
    EXPECT_EQ(Link::boardValue(1, true), 0x18);
    EXPECT_EQ(Link::boardValue(8, false), 0x0F);
    EXPECT_EQ(Link::boardValue(8, true), 0x1F);
    EXPECT_EQ(Link::lineStatusAddress(1), 0x3FD);
    EXPECT_EQ(Link::lineStatusAddress(2), 0x2FD);
    EXPECT_EQ(Link::lineStatusAddress(3), 0x3ED);
    EXPECT_EQ(Link::lineStatusAddress(4), 0x2ED);
    EXPECT_EQ(Link::lineStatusAddress(5), 0);
    EXPECT_EQ(Link::lineStatusAddress(0), 0);
}

TEST_F(LinkFake, BoardModeThatCannotWorkSaysWhyOnceAndSendsNothing) {
    struct Case {
        int port;
        int address;
        std::string portIoWhy;
        std::string inMessage;
    } cases[] = {
        {5, 0x300, "", "porta seriale 5"},
        {1, 0, "", "Indirizzo485"},
        {1, 0x300, "accesso alle porte di I/O non consentito (Operation not permitted)", "non consentito"},
    };
    for (const auto& c : cases) {
        SetUp();
        settings.SchedaL485 = true;
        settings.Seriale = static_cast<std::int16_t>(c.port);
        settings.Indirizzo485 = static_cast<std::int16_t>(c.address);
        portIoWhy = c.portIoWhy;
        op.clear();
        EXPECT_EQ(link->exchange(kReader, "01000123D", Timing::Short), "");
        EXPECT_EQ(link->exchange(kReader, "01000123D", Timing::Command), "");
        EXPECT_TRUE(port->written.empty()) << c.inMessage;
        ASSERT_EQ(op.messages().size(), 1u) << c.inMessage;
        EXPECT_EQ(op.messages()[0].title, "Attenzione");
        EXPECT_NE(op.messages()[0].text.find(c.inMessage), std::string::npos) << op.messages()[0].text;
    }
    EXPECT_LE(factoryCalls, 1); // permission is asked for once, not at every exchange
}

TEST_F(LinkFake, BoardFlagIsReadAtEveryExchange) {
    bool board = false;
    link->setBoardFlagProvider([&] { return board; });
    link->exchange(kReader, "01000123D", Timing::Short);
    EXPECT_EQ(log.size(), 1u); // the frame only
    board = true;
    link->exchange(kReader, "01000123D", Timing::Short);
    EXPECT_EQ(log.front(), "serial 013031303030313233440541");
    EXPECT_EQ(log[1], "out 300 18");
    EXPECT_EQ(log.back(), "out 300 08");
}

TEST_F(LinkFake, StaleInputNeverReachesTheResult) {
    port->waiting = replyFrame("01I0000999");
    EXPECT_EQ(link->exchange(kReader, "01000123D", Timing::Short), replyFrame("01S"));
    EXPECT_EQ(port->discards, 1);
}

TEST_F(LinkFake, ClosedPortReturnsEmptyAtOnce) {
    port->open = false;
    const double t0 = clock.monotonicSeconds();
    EXPECT_EQ(link->exchange(kReader, "01000123D", Timing::Command), "");
    EXPECT_LT(clock.monotonicSeconds() - t0, 0.05);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(LinkFake, OneExchangeAtATimeAndQueuedWorkRunsRightAfter) {
    std::string nested = "unset";
    bool busyInside = false;
    int queuedRan = 0;
    std::string queuedReply;
    pump.hook = [&] {
        busyInside = link->busy();
        const std::size_t before = port->written.size();
        nested = link->exchange(kReader, "02000123D", Timing::Short);
        EXPECT_EQ(port->written.size(), before) << "a nested exchange touched the port";
        link->runWhenIdle([&] {
            ++queuedRan;
            EXPECT_FALSE(link->busy());
            queuedReply = link->exchange({7, 1, 123}, "01000123O01", Timing::Command);
        });
        EXPECT_EQ(queuedRan, 0);
    };
    EXPECT_EQ(link->exchange({2, 1, 123}, "01000123D", Timing::Short), replyFrame("01S"));
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(nested, "");
    EXPECT_EQ(queuedRan, 1);
    EXPECT_EQ(queuedReply, replyFrame("01S"));
    ASSERT_EQ(port->written.size(), 2u);
    EXPECT_EQ(port->written[1], Frame::buildRequest("01000123O01"));
    EXPECT_EQ(link->exchange({2, 1, 123}, "01000123D", Timing::Short), replyFrame("01S"));
    EXPECT_EQ(port->written.size(), 3u); // the interrupted caller's next exchange has no loop to restore
    EXPECT_FALSE(link->busy());

    int ranNow = 0;
    link->runWhenIdle([&] { ++ranNow; });
    EXPECT_EQ(ranNow, 1);
}

TEST(LinkPort, OpeningFailureShowsTheMessageAndKeepsThePortClosed) {
    TempDir dir;
    const std::string ini =
        dir.write("Sentinex.ini",
                  "[Impostazioni]\r\nSeriale=3\r\n[Porte]\r\nCOM3=" + dir.file("no-such-device") + "\r\n");
    Settings s;
    s.Seriale = 3;
    SystemClock clock;
    NullEventPump pump;
    ScriptedOperator op;
    Link link(s, ini, clock, pump, op);
    EXPECT_FALSE(link.openPort());
    EXPECT_FALSE(link.portOpen());
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].title, "Attenzione");
    // The device tried and the system's reason follow the message.
    EXPECT_EQ(op.messages()[0].text.rfind(
                  "Porta seriale 3 non funzionante. (" + dir.file("no-such-device") + ": ", 0),
              0u)
        << op.messages()[0].text;
    EXPECT_EQ(op.messages()[0].icon, MsgIcon::Critical);
    EXPECT_EQ(link.exchange(kReader, "01000123D", Timing::Command), "");
}

TEST(LinkPort, DeviceOfAPortNumber) {
    TempDir dir;
    const std::string none = dir.file("missing.ini");
    EXPECT_EQ(TermiosSerialPort::devicePath(1, none), "/dev/ttyS0");
    EXPECT_EQ(TermiosSerialPort::devicePath(4, none), "/dev/ttyS3");
    const std::string ini = dir.write("Sentinex.ini", "[porte]\r\ncom2 = /dev/ttyUSB0\r\n");
    EXPECT_EQ(TermiosSerialPort::devicePath(2, ini), "/dev/ttyUSB0");
    EXPECT_EQ(TermiosSerialPort::devicePath(1, ini), "/dev/ttyS0");
}

} // namespace
} // namespace sentinex
