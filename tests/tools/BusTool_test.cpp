// sentinex-bus against the reader simulator.
#include "support/SimProcess.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace sentinex {
namespace {

using testing::SimProcess;
using testing::TempDir;

struct BusRun {
    int exitCode;
    std::string out;
};

BusRun runBus(const std::string& args) {
    const std::string cmd = std::string(SENTINEX_BIN_DIR) + "/sentinex-bus " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    BusRun r{-1, {}};
    if (!p) {
        return r;
    }
    std::array<char, 512> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) {
        r.out.append(buf.data(), n);
    }
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(BusTool, SendsOnePayloadAndShowsTheReply) {
    SimProcess sim({{{1, 5, 42}}, false, false});
    ASSERT_TRUE(sim.running());
    sim.writeSettings();
    const std::string folder = "--folder '" + sim.dir() + "' ";

    BusRun ok = runBus(folder + "--timing breve 05000042D");
    EXPECT_EQ(ok.exitCode, 0) << ok.out;
    EXPECT_EQ(ok.out, "02 30 35 53 30 30 30 05 61\nComando eseguito.\n");

    BusRun positions = runBus(folder + "'05000042P\\x80\\x81\\x82\\x84\\x85\\x86\\x87\\x88\\x89'");
    EXPECT_EQ(positions.exitCode, 0) << positions.out;
    EXPECT_EQ(sim.requests(1, 5).back(), "05000042P\x80\x81\x82\x84\x85\x86\x87\x88\x89");

    BusRun wrongSite = runBus(folder + "--timing medio 05000043D");
    EXPECT_EQ(wrongSite.exitCode, 0);
    EXPECT_NE(wrongSite.out.find("\nErrore nel codice applicazione.\n"), std::string::npos) << wrongSite.out;

    sim.setFault(1, 5, "silent");
    BusRun silent = runBus(folder + "--timing breve 05000042D");
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.out, "\nPeriferica non connessa.\n");
}

TEST(BusTool, UsageAndPortErrors) {
    TempDir dir;
    dir.write("Sentinex.ini", "[Impostazioni]\r\nSeriale=2\r\n[Porte]\r\nCOM2=" + dir.file("none") + "\r\n");
    BusRun port = runBus("--folder '" + dir.path() + "' 01000123D");
    EXPECT_EQ(port.exitCode, 2);
    EXPECT_NE(port.out.find("Porta seriale 2 non funzionante."), std::string::npos) << port.out;

    for (const char* args : {"", "--timing lento 01D", "--loop 9 01D", "'01\\q'", "01D extra"}) {
        BusRun r = runBus(std::string("--folder '") + dir.path() + "' " + args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.out.find("uso: sentinex-bus"), std::string::npos) << args;
    }
}

} // namespace
} // namespace sentinex
