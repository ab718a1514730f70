#include "core/ProfileFile.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sentinex {
namespace {

using testing::TempDir;

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string write(const std::string& bytes) { return dir.write("Sentinex.ini", bytes); }
    std::string content() const { return TempDir::read(dir.file("Sentinex.ini")); }
    int filesInDir() const {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
            ++n;
        }
        return n;
    }
};

TEST_F(ProfileFileTest, ReadsNamesWithoutRegardToCaseAndIgnoresBlanks) {
    ProfileFile f(
        write("; commento\r\n[Altro]\r\nPolling=1\r\n  [ impostazioni ]  \r\n  polling  =  100  \r\n"
              "Vuoto=\r\nSenzaUguale\r\n"));
    EXPECT_EQ(f.read("Impostazioni", "POLLING", "def", 10), "100");
    EXPECT_EQ(f.read("Altro", "Polling", "def", 10), "1");
    EXPECT_EQ(f.read("Impostazioni", "Vuoto", "def", 10), "");
    EXPECT_EQ(f.read("Impostazioni", "SenzaUguale", "def", 10), "def");
    EXPECT_EQ(f.read("Mancante", "Polling", "def", 10), "def");
    EXPECT_EQ(ProfileFile(dir.file("nessuno.ini")).read("Impostazioni", "Polling", "def", 10), "def");
    EXPECT_FALSE(f.find("Impostazioni", "Beep").has_value());
}

TEST_F(ProfileFileTest, ReadCutsToTheBufferLessItsTerminator) {
    ProfileFile f(write("[S]\nLungo=1234567890ABC\nAccento=\xE0\xE8\xEC\xF2\xF9\xE0\xE8\xEC\xF2\xF9\n"));
    EXPECT_EQ(f.read("S", "Lungo", "", 10), "123456789");
    EXPECT_EQ(f.read("S", "Lungo", "", 1), "");
    EXPECT_EQ(f.read("S", "Lungo", "", 0), "");
    EXPECT_EQ(*f.find("S", "Lungo"), "1234567890ABC");
    // Windows-1252 letters count as one character each and come back as UTF-8.
    EXPECT_EQ(f.read("S", "Accento", "", 4), "àèì");
    EXPECT_EQ(f.read("S", "Manca", "0123456789xyz", 10), "012345678");
}

TEST_F(ProfileFileTest, GarbageAndBinaryBytesNeverStopTheRead) {
    std::string junk = "[Impostazioni]\n";
    for (int b = 0; b < 256; ++b) {
        junk += static_cast<char>(b);
    }
    junk += std::string("\nBeep=No\nNul=ab\0cd\n[Impostazioni\nAltro=1\n", 38);
    ProfileFile f(write(junk));
    EXPECT_EQ(f.read("Impostazioni", "Beep", "", 10), "No");
    EXPECT_EQ(f.read("Impostazioni", "Nul", "", 10), std::string("ab\0cd", 5));
    // A later header of the same name, even one missing its bracket, is not read.
    EXPECT_EQ(f.read("Impostazioni", "Altro", "x", 10), "x");
}

TEST_F(ProfileFileTest, FirstSectionOfANameIsTheOneRead) {
    ProfileFile f(write("[S]\nA=1\n[T]\nA=2\n[s]\nA=3\nB=4\n"));
    EXPECT_EQ(f.read("S", "A", "", 10), "1");
    EXPECT_EQ(f.read("S", "B", "none", 10), "none");
}

TEST_F(ProfileFileTest, WriteReplacesInPlaceAndKeepsEverythingElse) {
    ProfileFile f(
        write("; intestazione\r\n[Impostazioni]\r\nPolling=100\r\n; nota\r\nBeep=Si\r\n\r\n[Porte]\r\n"
              "COM1=/dev/ttyUSB0\r\n"));
    ASSERT_TRUE(f.write("impostazioni", "POLLING", "250"));
    EXPECT_EQ(content(),
              "; intestazione\r\n[Impostazioni]\r\nPOLLING=250\r\n; nota\r\nBeep=Si\r\n\r\n[Porte]\r\n"
              "COM1=/dev/ttyUSB0\r\n");
    ASSERT_TRUE(f.write("Impostazioni", "Utenti", "3"));
    EXPECT_EQ(content(),
              "; intestazione\r\n[Impostazioni]\r\nPOLLING=250\r\n; nota\r\nBeep=Si\r\nUtenti=3\r\n\r\n"
              "[Porte]\r\nCOM1=/dev/ttyUSB0\r\n");
    EXPECT_EQ(*f.find("Porte", "com1"), "/dev/ttyUSB0");
    EXPECT_EQ(filesInDir(), 1) << "no temporary file may be left behind";
}

TEST_F(ProfileFileTest, WriteCreatesSectionAndFile) {
    ProfileFile fresh(dir.file("nuovo.ini"));
    ASSERT_TRUE(fresh.write("Impostazioni", "Utenti", "0"));
    EXPECT_EQ(TempDir::read(dir.file("nuovo.ini")), "[Impostazioni]\r\nUtenti=0\r\n");

    ProfileFile unix(write("[Porte]\nCOM1=/dev/x"));
    ASSERT_TRUE(unix.write("Impostazioni", "Beep", "No"));
    EXPECT_EQ(content(), "[Porte]\nCOM1=/dev/x\n[Impostazioni]\nBeep=No\n");
}

TEST_F(ProfileFileTest, WriteKeepsTheFileEncoding) {
    ProfileFile cp(write("[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n"));
    ASSERT_TRUE(cp.write("Sentinex", "Nome", "Lunedì"));
    EXPECT_EQ(content(), "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\nNome=Luned\xEC\r\n");
    EXPECT_EQ(cp.read("Sentinex", "File", "", 20), "°°°§§§");

    ProfileFile utf(write("[Sentinex]\nFile=°°°§§§\n"));
    ASSERT_TRUE(utf.write("Sentinex", "Nome", "Lunedì"));
    EXPECT_EQ(content(), "[Sentinex]\nFile=°°°§§§\nNome=Lunedì\n");
}

TEST_F(ProfileFileTest, ByteOrderMarkAndLoneCarriageReturnsSurvive) {
    ProfileFile bom(write("\xEF\xBB\xBF[Impostazioni]\nBeep=Si\n"));
    EXPECT_EQ(bom.read("Impostazioni", "Beep", "", 10), "Si");
    ASSERT_TRUE(bom.write("Impostazioni", "Beep", "No"));
    EXPECT_EQ(content(), "\xEF\xBB\xBF[Impostazioni]\nBeep=No\n");

    ProfileFile cr(write("[Impostazioni]\rBeep=Si\rUtenti=1\r"));
    ASSERT_TRUE(cr.write("Impostazioni", "Utenti", "2"));
    EXPECT_EQ(content(), "[Impostazioni]\rBeep=Si\rUtenti=2\r");
}

TEST_F(ProfileFileTest, WhatIsWrittenIsReadBackWhateverTheFileHeld) {
    // Random files built from the syntax's own characters and arbitrary bytes.
    std::mt19937 rng(1234);
    const std::vector<std::string> pieces = {"[",
                                             "]",
                                             "=",
                                             "\r\n",
                                             "\n",
                                             "\r",
                                             " ",
                                             ";",
                                             "S",
                                             "s",
                                             "K",
                                             "k",
                                             "Impostazioni",
                                             "Utenti",
                                             "\xE0",
                                             "\xC3\xA8",
                                             std::string(1, '\0')};
    for (int round = 0; round < 300; ++round) {
        std::string junk;
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) {
            junk += rng() % 4 == 0 ? std::string(1, static_cast<char>(rng() % 256))
                                   : pieces[rng() % pieces.size()];
        }
        ProfileFile f(write(junk));
        const std::string value = "v" + std::to_string(round);
        ASSERT_TRUE(f.write("Impostazioni", "Utenti", value)) << round;
        EXPECT_EQ(f.read("Impostazioni", "utenti", "", 100), value) << "round " << round;
        ASSERT_TRUE(f.write("S", "K", "x"));
        EXPECT_EQ(f.read("Impostazioni", "Utenti", "", 100), value) << "round " << round;
        EXPECT_EQ(f.read("s", "k", "", 100), "x") << "round " << round;
    }
}

TEST_F(ProfileFileTest, AValueCannotAddLinesOfItsOwn) {
    ProfileFile f(write("[S]\nA=1\n"));
    ASSERT_TRUE(f.write("S", "A", "2\r\n[X]\nB=3"));
    EXPECT_EQ(content(), "[S]\nA=2\n");
}

TEST_F(ProfileFileTest, AFailedWriteLeavesTheOldFileWhole) {
    const std::string old = "[Impostazioni]\r\nUtenti=5\r\n";
    ProfileFile f(write(old));
    // Make the write of the new content fail half-way: a file size limit smaller than the new file.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = f.write("Impostazioni", "Utenti", std::string(200, '7'));
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ(content(), old);
    EXPECT_EQ(filesInDir(), 1);

    // A folder that does not exist cannot receive the file.
    EXPECT_FALSE(ProfileFile(dir.file("manca/Sentinex.ini")).write("S", "A", "1"));
}

TEST_F(ProfileFileTest, AReadOnlyFolderMakesTheWriteFail) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    const std::string old = "[Impostazioni]\nUtenti=5\n";
    ProfileFile f(write(old));
    ::chmod(dir.path().c_str(), 0555);
    const bool ok = f.write("Impostazioni", "Utenti", "6");
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_FALSE(ok);
    EXPECT_EQ(content(), old);
}

TEST_F(ProfileFileTest, WriteAllAppliesEveryEntryInOneRewrite) {
    ProfileFile f(write("[Impostazioni]\nB=0\n"));
    ASSERT_TRUE(f.writeAll("Impostazioni", {{"A", "1"}, {"B", "2"}, {"C", "3"}}));
    EXPECT_EQ(content(), "[Impostazioni]\nB=2\nA=1\nC=3\n");
}

} // namespace
} // namespace sentinex
