#include "session/RunStateFile.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace sentinex {
namespace {

using testing::TempDir;

TEST(RunStateFileTest, KeepsTheSwitchesOfARunUntilItEndsOnPurpose) {
    TempDir dir;
    const RunStateFile file(dir.file(RunStateFile::FileName));
    EXPECT_EQ(file.unfinishedRun(), std::nullopt) << "no file: the previous run ended cleanly, or never ran";
    for (const Switches s :
         {Switches{true, false}, Switches{false, true}, Switches{true, true}, Switches{}}) {
        ASSERT_TRUE(file.recordRunning(s));
        EXPECT_EQ(file.unfinishedRun(), s) << RunStateFile::text(s);
    }
    ASSERT_TRUE(file.recordRunning({true, true}));
    ASSERT_TRUE(file.recordCleanExit());
    EXPECT_EQ(file.unfinishedRun(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(file.path()));
    EXPECT_TRUE(file.recordCleanExit()) << "a second clean exit has nothing left to remove";

    // Every write replaces the file whole, readable by the owner's group only, with no leftovers.
    ASSERT_TRUE(file.recordRunning({true, false}));
    struct stat st {};
    ASSERT_EQ(::stat(file.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(RunStateFileTest, AFileItDidNotWriteResumesNothing) {
    const std::string good = RunStateFile::text({true, true});
    const char* garbled[] = {
        "",
        "Polling=Si\n",                                  // cut short by a full disk
        "Polling=Si\nOutputAutomatico=Si",               // the last line without its end
        "Polling=SI\nOutputAutomatico=Si\n",             // not a value it writes
        "Polling=Si\r\nOutputAutomatico=Si\r\n",         // edited elsewhere
        "OutputAutomatico=Si\nPolling=Si\n",             // another order
        "Polling=Si\nOutputAutomatico=Si\nPolling=No\n", // more than it writes
        "\x01\x02\x03\x04",
    };
    TempDir dir;
    const RunStateFile file(dir.file(RunStateFile::FileName));
    for (const char* text : garbled) {
        SCOPED_TRACE(text);
        dir.write(RunStateFile::FileName, text);
        EXPECT_EQ(file.unfinishedRun(), std::nullopt);
    }
    dir.write(RunStateFile::FileName, good);
    EXPECT_EQ(file.unfinishedRun(), (Switches{true, true})) << "the fixture's good text reads";
    dir.write(RunStateFile::FileName, good + std::string(4096, 'x'));
    EXPECT_EQ(file.unfinishedRun(), std::nullopt);
}

TEST(RunStateFileTest, AWriteThatCannotBeMadeReturnsFalse) {
    TempDir dir;
    const RunStateFile missing(dir.file("manca/Sentinex.run"));
    EXPECT_FALSE(missing.recordRunning({true, false}));
    EXPECT_EQ(missing.unfinishedRun(), std::nullopt);
}

} // namespace
} // namespace sentinex
