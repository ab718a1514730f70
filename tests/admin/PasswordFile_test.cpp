#include "admin/PasswordFile.hpp"

#include "core/ProgramFolder.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TempDir;

class PasswordFileTest : public ::testing::Test {
protected:
    std::string path() const { return dir.file("pswsentinex.txt"); }
    void write(const std::string& bytes) const { dir.write("pswsentinex.txt", bytes); }
    std::string bytes() const { return TempDir::read(path()); }

    TempDir dir;
    PasswordFile file{ProgramFolder(dir.path())};
};

TEST_F(PasswordFileTest, IsFoundInTheProgramFolder) {
    EXPECT_EQ(file.path(), path());
}

struct Reading {
    const char* name;
    std::string bytes;
    PasswordFile::State state;
    std::string password;
};

class PasswordFileReading : public PasswordFileTest, public ::testing::WithParamInterface<Reading> {};

TEST_P(PasswordFileReading, TellsWhatTheFileHolds) {
    const Reading& c = GetParam();
    write(c.bytes);
    const PasswordFile::Content content = file.read();
    EXPECT_EQ(content.state, c.state);
    EXPECT_EQ(content.password, c.password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordFileReading,
    ::testing::Values(Reading{"kit", "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n",
                              PasswordFile::State::NoPassword, ""},
                      Reading{"abc",
                              "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                              "bdf\xA7\xA7\xA7\r\n",
                              PasswordFile::State::Set, "abc"},
                      Reading{"namesWithoutCase",
                              "[sentinex]\nfile = \xB0\xB0\xB0"
                              "bdf\xA7\xA7\xA7\n",
                              PasswordFile::State::Set, "abc"},
                      Reading{"sixteen",
                              "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                              "123456789:;<=>?@\xA7\xA7\xA7\r\n",
                              PasswordFile::State::Set, "0000000000000000"},
                      // 17 characters are 23 stored: only 22 are read, so the end marker is cut.
                      Reading{"seventeenStored",
                              "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                              "123456789:;<=>?@A\xA7\xA7\xA7\r\n",
                              PasswordFile::State::Malformed, ""},
                      Reading{"emptyFile", "", PasswordFile::State::Malformed, ""},
                      Reading{"noKey", "[Sentinex]\r\nAltro=\xB0\xB0\xB0\xA7\xA7\xA7\r\n",
                              PasswordFile::State::Malformed, ""},
                      Reading{"otherSection", "[Impostazioni]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n",
                              PasswordFile::State::Malformed, ""},
                      Reading{"clearText", "[Sentinex]\r\nFile=segreto\r\n", PasswordFile::State::Malformed,
                              ""},
                      Reading{"emptyValue", "[Sentinex]\r\nFile=\r\n", PasswordFile::State::Malformed, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordFileTest, AMissingFileIsMalformed) {
    EXPECT_EQ(file.read().state, PasswordFile::State::Malformed);
}

TEST_F(PasswordFileTest, StoreWritesTheWindows1252BytesAndReadsThemBack) {
    write("[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n");
    ASSERT_TRUE(file.store("abc"));
    EXPECT_EQ(bytes(), "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                       "bdf\xA7\xA7\xA7\r\n");
    const PasswordFile::Content content = file.read();
    EXPECT_EQ(content.state, PasswordFile::State::Set);
    EXPECT_EQ(content.password, "abc");

    ASSERT_TRUE(file.store("Abcdefghijklmno\xC3\xA8")); // 16 characters, the last one accented
    EXPECT_EQ(file.read().password, "Abcdefghijklmno\xC3\xA8");
}

TEST_F(PasswordFileTest, ClearWritesExactlyTheBareMarkers) {
    write("[Sentinex]\r\nFile=\xB0\xB0\xB0"
          "bdf\xA7\xA7\xA7\r\n");
    ASSERT_TRUE(file.clear());
    EXPECT_EQ(bytes(), "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n");
    EXPECT_EQ(file.read().state, PasswordFile::State::NoPassword);
}

TEST_F(PasswordFileTest, StoreCreatesAMissingFile) {
    ASSERT_TRUE(file.store("abc"));
    EXPECT_EQ(bytes(), "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                       "bdf\xA7\xA7\xA7\r\n");
}

TEST_F(PasswordFileTest, AFailedWriteSaysSo) {
    // A folder that does not exist cannot take the file, whoever runs the test.
    const PasswordFile nowhere(dir.file("manca/pswsentinex.txt"));
    EXPECT_FALSE(nowhere.store("xyz"));
    EXPECT_FALSE(nowhere.clear());
    EXPECT_EQ(nowhere.read().state, PasswordFile::State::Malformed);
}

TEST_F(PasswordFileTest, ReportMalformedShowsItsMessage) {
    ScriptedOperator op;
    PasswordFile::reportMalformed(op);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    EXPECT_EQ(op.shown[0].text, "Errore nel controllo password: il file pswsentinex.txt manca o non è "
                                "valido. La funzione richiesta non è disponibile; il programma continua.");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
}

} // namespace
} // namespace sentinex
