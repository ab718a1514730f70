#include "backup/BackupFolder.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sentinex {
namespace {

using testing::TempDir;

TEST(BackupFolderTest, NamesAndLabelsOfTheDatedFolders) {
    EXPECT_EQ(BackupFolder::name({2026, 3, 4, 2, 5, 9}), "20260304-020509");
    EXPECT_EQ(BackupFolder::label("20260304-020509"), "04/03/2026 02:05:09");
    EXPECT_EQ(BackupFolder::root("/opt/sentinex", ""), "/opt/sentinex/Backup");
    EXPECT_EQ(BackupFolder::root("/opt/sentinex", "/mnt/copie"), "/mnt/copie/Backup");
    const struct {
        const char* name;
        bool dated;
    } cases[] = {
        {"20260304-020509", true},  {"20260304020509", false},  {"20260304-02050", false},
        {"2026030x-020509", false}, {"20260304_020509", false}, {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BackupFolder::isName(c.name), c.dated) << c.name;
    }
}

TEST(BackupFolderTest, TheNewestAreListedFirstAndThoseBeyondTheKeptOnesRemoved) {
    TempDir root;
    const std::vector<std::string> made = {"20260310-020000", "20251231-235959", "20260312-020000",
                                           "20260311-020000", "20260312-013000"};
    for (const std::string& n : made) {
        fs::create_directory(root.file(n));
        root.write(n + "/Sentinex.mdb", "x");
    }
    // Not backups: left alone whatever the count.
    fs::create_directory(root.file("copia-a-mano"));
    root.write("20260313-020000", "a file, not a folder");

    EXPECT_EQ(BackupFolder::list(root.path()),
              (std::vector<std::string>{"20260312-020000", "20260312-013000", "20260311-020000",
                                        "20260310-020000", "20251231-235959"}));
    EXPECT_EQ(BackupFolder::prune(root.path(), 3),
              (std::vector<std::string>{"20260310-020000", "20251231-235959"}));
    EXPECT_EQ(BackupFolder::list(root.path()),
              (std::vector<std::string>{"20260312-020000", "20260312-013000", "20260311-020000"}));
    EXPECT_TRUE(fs::is_directory(root.file("copia-a-mano")));
    EXPECT_TRUE(fs::is_regular_file(root.file("20260313-020000")));

    // At least the newest stays, whatever the count says.
    EXPECT_EQ(BackupFolder::prune(root.path(), 0).size(), 2u);
    EXPECT_EQ(BackupFolder::list(root.path()), std::vector<std::string>{"20260312-020000"});
    EXPECT_TRUE(BackupFolder::list(root.file("manca")).empty());
}

} // namespace
} // namespace sentinex
