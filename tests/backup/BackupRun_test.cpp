#include "backup/BackupRun.hpp"

#include "backup/BackupFolder.hpp"
#include "backup/Restore.hpp"
#include "store/OnlineBackup.hpp"
#include "support/SmallFileSystem.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include "BackupFixture.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace sentinex {
namespace {

using testing::TempDir;
using testing::TestInstall;

const DateTime kWhen{2026, 3, 14, 2, 15, 0};

void addTransit(Database& db, int n) {
    db.execute("INSERT INTO transiti (NumeroBadge, Data, Ora) VALUES (?, ?, ?)",
               {std::to_string(9000 + n), "14/03/2026", "02:15"});
}

TEST(BackupRunTest, ARestoredBackupGivesBackEveryRowAndFileWrittenUpToItsEnd) {
    TestInstall site;
    site.populate(30, 4000);
    site.temp().write("Date.txt", "01/01/2026 08:00 1\r\n");
    const std::string root = BackupFolder::root(site.dir(), "");

    // A few pages per slice; between slices the live connection keeps writing, as polling does.
    BackupRun run(*site.db(), site.dir(), root, kWhen, 4);
    int slices = 0;
    run.runToEnd([&] {
        if (++slices <= 20) {
            addTransit(*site.db(), slices);
        }
    });
    ASSERT_EQ(run.state(), BackupRun::State::Done) << run.failure();
    EXPECT_GT(slices, 20) << "the copy took several slices";
    EXPECT_EQ(run.folder(), root + "/20260314-021500");
    EXPECT_EQ(run.percent(), 100);
    const std::vector<std::string> atTheEnd = testing::contents(site.folder().database());

    // Into another installation, whose own files are kept aside.
    TestInstall other;
    other.populate(2, 10);
    const std::vector<std::string> otherBefore = testing::contents(other.folder().database());
    other.writeSettings("[Impostazioni]\r\nPolling=7\r\n");
    ASSERT_EQ(Restore::apply(other.dir(), run.folder()), "");

    EXPECT_EQ(testing::contents(other.folder().database()), atTheEnd);
    for (const char* file : {"Sentinex.ini", "Date.txt", "pswsentinex.txt"}) {
        EXPECT_EQ(TempDir::read(other.dir() + "/" + file), TempDir::read(site.dir() + "/" + file)) << file;
    }
    EXPECT_EQ(testing::contents(other.folder().database() + ".prima-del-ripristino"), otherBefore);
    EXPECT_EQ(TempDir::read(other.folder().settings() + ".prima-del-ripristino"),
              "[Impostazioni]\r\nPolling=7\r\n");
    EXPECT_FALSE(fs::exists(other.dir() + "/Date.txt.prima-del-ripristino")) << "there was none to keep";
}

TEST(BackupRunTest, ACopyThatFailsItsCheckIsRemovedAndSaysWhy) {
    TestInstall site;
    site.populate(10, 2000);
    const std::string root = BackupFolder::root(site.dir(), "");
    // The check sees the copy as a damaged disk would leave it: pages in the middle overwritten.
    BackupRun run(*site.db(), site.dir(), root, kWhen, 64, [](const std::string& path) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(fs::file_size(path) / 2));
        const std::string garbage(16384, '\x5A');
        f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
        f.close();
        return OnlineBackup::integrityProblem(path);
    });
    run.runToEnd({});
    EXPECT_EQ(run.state(), BackupRun::State::Failed);
    EXPECT_NE(run.failure().find("Backup non valido: la copia non supera il controllo di integrità ("),
              std::string::npos)
        << run.failure();
    EXPECT_FALSE(fs::exists(run.folder()));
    EXPECT_TRUE(BackupFolder::list(root).empty());
}

TEST(BackupRunTest, AFolderThatCannotBeMadeFailsAtTheFirstSliceAndLeavesNothing) {
    TestInstall site;
    // "Backup" would go under a plain file.
    const std::string chosen = site.temp().write("non-una-cartella", "x");
    BackupRun run(*site.db(), site.dir(), BackupFolder::root(site.dir(), chosen), kWhen);
    EXPECT_TRUE(run.advance());
    EXPECT_EQ(run.state(), BackupRun::State::Failed);
    EXPECT_EQ(run.failure().rfind("Backup non eseguito: impossibile creare la cartella " + chosen +
                                      "/Backup/"
                                      "20260314-021500 (",
                                  0),
              0u)
        << run.failure();
    EXPECT_EQ(TempDir::read(chosen), "x");
}

TEST(BackupRunTest, AFullDiskFailsTheCopyAndRemovesWhatWasWritten) {
    testing::SmallFileSystem disk("size=1m", false);
    if (!disk.usable()) {
        GTEST_SKIP() << "no right to mount a small file system here";
    }
    TestInstall site;
    site.populate(50, 20000); // several megabytes: more than the small disk holds
    const std::string root = BackupFolder::root(site.dir(), disk.path());
    BackupRun run(*site.db(), site.dir(), root, kWhen);
    run.runToEnd({});
    EXPECT_EQ(run.state(), BackupRun::State::Failed);
    EXPECT_EQ(run.failure().rfind("Backup non eseguito: errore nella copia dell'archivio (", 0), 0u)
        << run.failure();
    EXPECT_FALSE(fs::exists(run.folder()));
    // The live database is untouched and keeps taking records.
    addTransit(*site.db(), 1);
}

} // namespace
} // namespace sentinex
