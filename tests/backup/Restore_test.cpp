#include "backup/Restore.hpp"

#include "backup/BackupFolder.hpp"
#include "backup/BackupRun.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include "BackupFixture.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace sentinex {
namespace {

using testing::TempDir;
using testing::TestInstall;

/// A good backup of a small installation, made the way the program makes them.
std::string makeBackup(TestInstall& site, const DateTime& when) {
    BackupRun run(*site.db(), site.dir(), BackupFolder::root(site.dir(), ""), when);
    run.runToEnd({});
    EXPECT_EQ(run.state(), BackupRun::State::Done) << run.failure();
    return run.folder();
}

/// Every file of a folder with its bytes, to see that a refused restore changed nothing.
std::map<std::string, std::string> filesOf(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.is_regular_file()) {
            out[e.path().filename().string()] = TempDir::read(e.path().string());
        }
    }
    return out;
}

TEST(RestoreTest, ABackupThatIsNotAGoodSentinexDatabaseIsRefusedAndNothingChanges) {
    TestInstall source;
    source.populate(10, 3000);
    const struct {
        const char* what;
        std::function<void(const std::string& db)> spoil;
        const char* says;
    } cases[] = {
        {"pages overwritten in the middle",
         [](const std::string& db) {
             std::fstream f(db, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(static_cast<std::streamoff>(fs::file_size(db) / 2));
             const std::string garbage(16384, '\x5A');
             f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
         },
         "Il backup scelto è danneggiato e non può essere ripristinato ("},
        {"cut short", [](const std::string& db) { fs::resize_file(db, fs::file_size(db) / 3); },
         "Il backup scelto è danneggiato e non può essere ripristinato ("},
        {"not a database at all", [](const std::string& db) { std::ofstream(db) << "solo testo\n"; },
         "Il backup scelto è danneggiato e non può essere ripristinato ("},
        {"another program's database",
         [](const std::string& db) {
             fs::remove(db);
             Database::create(db, "CREATE TABLE clienti (id INTEGER);", false);
         },
         "Il backup scelto non è un archivio di Sentinex ("},
        {"written by a newer program",
         [](const std::string& db) { Database::open(db, false)->execute("PRAGMA user_version = 99"); },
         "è stato scritto da una versione più recente di Sentinex"},
        {"without its database", [](const std::string& db) { fs::remove(db); },
         "Il backup scelto non contiene l'archivio Sentinex.mdb."},
    };
    int second = 0;
    for (const auto& c : cases) {
        const std::string folder = makeBackup(source, {2026, 3, 14, 2, 0, second++});
        c.spoil(folder + "/Sentinex.mdb");
        EXPECT_NE(Restore::check(folder).find(c.says), std::string::npos)
            << c.what << ": " << Restore::check(folder);

        TestInstall target;
        const auto before = filesOf(target.dir());
        EXPECT_NE(Restore::apply(target.dir(), folder).find(c.says), std::string::npos) << c.what;
        EXPECT_EQ(filesOf(target.dir()), before) << c.what;
    }
}

TEST(RestoreTest, TheNextStartUpMakesTheAskedRestoreOnceAndSaysIt) {
    TestInstall source;
    source.populate(5, 100);
    const std::string good = makeBackup(source, {2026, 3, 14, 2, 30, 0});
    const auto backedUp = testing::contents(good + "/Sentinex.mdb");

    TestInstall target;
    EXPECT_FALSE(Restore::completePending(target.dir()).requested) << "nothing asked";
    ASSERT_TRUE(Restore::request(target.dir(), good));
    const Restore::Outcome outcome = Restore::completePending(target.dir());
    EXPECT_TRUE(outcome.requested);
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(outcome.message,
              "Ripristino completato dal backup del 14/03/2026 02:30:00. I file sostituiti sono "
              "stati conservati con il suffisso .prima-del-ripristino.");
    EXPECT_EQ(testing::contents(target.folder().database()), backedUp);
    EXPECT_FALSE(fs::exists(target.dir() + "/" + Restore::PendingFile));
    EXPECT_FALSE(Restore::completePending(target.dir()).requested) << "done once";

    // A backup spoiled after it was chosen: the start-up says so, keeps the files and forgets the request.
    std::ofstream(good + "/Sentinex.mdb", std::ios::trunc) << "rovinato";
    const auto before = filesOf(target.dir());
    ASSERT_TRUE(Restore::request(target.dir(), good));
    const Restore::Outcome refused = Restore::completePending(target.dir());
    EXPECT_TRUE(refused.requested);
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.message.rfind("Il backup scelto è danneggiato", 0), 0u) << refused.message;
    EXPECT_EQ(filesOf(target.dir()), before);
}

} // namespace
} // namespace sentinex
