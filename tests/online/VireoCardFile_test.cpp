#include "online/VireoCardFile.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace sentinex {
namespace {

class VireoCardFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("vireo_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string write(const std::string& bytes) {
        const std::string path = VireoCardFile::pathFor(m_dir.string(), "CARTE");
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path m_dir;
};

TEST_F(VireoCardFileTest, FindsFirstMatchCaseSensitive) {
    const std::string path = write("\"001ZZZZZZ\"\r\n\"042A1B2C3\"\r\n\"043A1B2C3\"\r\n\"044a1b2c3\"\r\n");
    EXPECT_EQ(path.substr(path.size() - 10), "/CARTE.txt");
    EXPECT_EQ(VireoCardFile::lookup(path, "A1B2C3"), "0042");
    EXPECT_EQ(VireoCardFile::lookup(path, "a1b2c3"), "0044");
    EXPECT_EQ(VireoCardFile::lookup(path, "A1B2C4"), "####");
    // Part of a code is not the code.
    EXPECT_EQ(VireoCardFile::lookup(path, "A1B2C"), "####");
    EXPECT_EQ(VireoCardFile::lookup(path, ""), "####");
}

TEST_F(VireoCardFileTest, MissingFileAndLineEndings) {
    EXPECT_EQ(VireoCardFile::lookup(VireoCardFile::pathFor(m_dir.string(), "NONE"), "A1B2C3"), "????");
    // LF only, blanks before an item, a last line without line end.
    const std::string path = write("\"001QQQQQQ\"\n  \"007A1B2C3\"");
    EXPECT_EQ(VireoCardFile::lookup(path, "A1B2C3"), "0007");
}

TEST_F(VireoCardFileTest, CodesWithBytesBeyondAscii) {
    // Windows-1252 file: 0xE9 is "é"; the reader sends the same single byte.
    const std::string path = write(std::string("\"009AB\xE9"
                                               "CDE\"\r\n"));
    EXPECT_EQ(VireoCardFile::lookup(path, std::string("AB\xE9"
                                                      "CDE")),
              "0009");
    // The same card file saved as UTF-8 is read too.
    const std::string utf8 = write(std::string("\"010AB\xC3\xA9"
                                               "CDE\"\r\n"));
    EXPECT_EQ(VireoCardFile::lookup(utf8, std::string("AB\xE9"
                                                      "CDE")),
              "0010");
}

TEST(VireoCardFileItemsTest, ItemsSplitAtCommasAndLineEnds) {
    const auto items = VireoCardFile::items("\"001AAAAAA\",\"002BBBBBB\"\r\n\r\n plain , \"x,y\"\r\n");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], "001AAAAAA");
    EXPECT_EQ(items[1], "002BBBBBB");
    EXPECT_EQ(items[2], "plain");
    EXPECT_EQ(items[3], "x,y");
}

} // namespace
} // namespace sentinex
