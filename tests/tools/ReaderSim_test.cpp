// sentinex-readersim behaving as readers do, seen from raw frames on its pty.
#include "link/Frame.hpp"
#include "link/ReaderReply.hpp"
#include "link/TermiosSerialPort.hpp"
#include "support/SimProcess.hpp"
#include "support/SpawnProcess.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace sentinex {
namespace {

using testing::SimProcess;
using testing::TempDir;

/// Sends raw bytes and collects what comes back within `ms`.
std::string talk(TermiosSerialPort& port, const std::string& bytes, int ms = 150) {
    port.discardInput();
    port.write(bytes);
    std::string got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        got += port.read(5);
    }
    return got;
}

TEST(ReaderSim, AnswersLikeAReader) {
    SimProcess sim({{{1, 7, 900}}, false, false});
    ASSERT_TRUE(sim.running());
    TermiosSerialPort port;
    ASSERT_TRUE(port.open(sim.linkPath()));
    std::string badCheck = Frame::buildRequest("07000900D");
    badCheck.back() = static_cast<char>(badCheck.back() ^ 1);
    struct Case {
        std::string frame;
        char code; // '\0': no reply at all
    } cases[] = {
        {Frame::buildRequest("07000900D"), 'S'},
        {badCheck, 'D'},
        {Frame::buildRequest("07000901D"), 'C'},              // another site code
        {Frame::buildRequest("07000900Y"), 'X'},              // unknown command
        {Frame::buildRequest("07000900K1"), 'D'},             // malformed body
        {Frame::buildRequest("08000900D"), '\0'},             // nobody at address 08
        {Frame::buildRequest("07000900A0009000000600"), 'S'}, // configure, three-digit mode
        {Frame::buildRequest("07000900B1230110210"), 'S'},    // three-digit card
    };
    for (const auto& c : cases) {
        const std::string reply = talk(port, c.frame);
        if (c.code == '\0') {
            EXPECT_EQ(reply, "") << c.frame;
            continue;
        }
        EXPECT_TRUE(Frame::acceptReply(reply)) << ::testing::PrintToString(reply);
        EXPECT_EQ(ReaderReply::code(reply), c.code) << ::testing::PrintToString(c.frame);
    }
    auto d = sim.dump(1, 7);
    EXPECT_EQ(d["fourdigit"], "0");
    EXPECT_EQ(d["opening"], "06");
    EXPECT_EQ(SimProcess::list(d["cards"]), std::vector<std::string>{"123:0110210"});
}

TEST(ReaderSim, ResetReaderIsSilentWhileItRestarts) {
    SimProcess sim({{{2, 3, 55}}, false, false});
    ASSERT_TRUE(sim.running());
    sim.setFault(2, 3, "reboot 300");
    TermiosSerialPort port;
    ASSERT_TRUE(port.open(sim.linkPath()));
    EXPECT_EQ(ReaderReply::code(talk(port, Frame::buildRequest("W0300"))), 'S');
    EXPECT_EQ(talk(port, Frame::buildRequest("03000000D"), 50), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReaderReply::code(talk(port, Frame::buildRequest("03000000D"))), 'S');
    EXPECT_EQ(sim.dump(2, 3)["site"], "000000");
}

bool linkThere(const std::string& link) {
    struct stat st {};
    return ::lstat(link.c_str(), &st) == 0;
}

/// Starts `args` and waits up to 2 s for the simulator's link at `link`; the process id, or -1 when it
/// could not start.
pid_t startAndAwaitLink(std::vector<std::string> args, const std::string& link) {
    const pid_t pid = testing::spawnProcess(std::move(args));
    for (int i = 0; pid > 0 && i < 200 && !linkThere(link); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pid;
}

TEST(ReaderSim, TerminationRemovesTheLink) {
    TempDir dir;
    const std::string link = dir.file("link");
    const pid_t pid = startAndAwaitLink(
        {std::string(SENTINEX_BIN_DIR) + "/sentinex-readersim", "--link", link, "--reader", "1:1:1"}, link);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(linkThere(link));
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(linkThere(link));
}

TEST(ReaderSim, StartedToExitWithItsParentItEndsWhenTheParentIsKilled) {
    TempDir dir;
    const std::string link = dir.file("link");
    // A shell stands for a test program: it starts the simulator, then dies without a word.
    const pid_t shell = startAndAwaitLink(
        {"/bin/sh", "-c", "\"$0\" --link \"$1\" --reader 1:1:1 --exit-with-parent >/dev/null 2>&1 & wait",
         std::string(SENTINEX_BIN_DIR) + "/sentinex-readersim", link},
        link);
    ASSERT_GT(shell, 0);
    ASSERT_TRUE(linkThere(link));
    ::kill(shell, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(shell, &status, 0), shell);
    // Its ending removes the link, as on SIGTERM.
    for (int i = 0; i < 300 && linkThere(link); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(linkThere(link));
}

} // namespace
} // namespace sentinex
