#include "core/ProfileFile.hpp"
#include "core/ProgramFolder.hpp"
#include "core/SettingsFile.hpp"
#include "readers/ReaderList.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "store/Database.hpp"
#include "store/Schema.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace sentinex {
namespace {

using testing::TempDir;

std::string setupTool() {
    return std::string(SENTINEX_BIN_DIR) + "/sentinex-setup";
}

int run(const std::string& args) {
    const int status = std::system((setupTool() + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SetupTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(setupTool())) {
            GTEST_SKIP() << "sentinex-setup not built";
        }
    }
    TempDir dir;
    std::string inst() const { return dir.file("inst"); }
};

TEST_F(SetupTool, LaysOutACompleteInstallation) {
    ASSERT_EQ(run(inst()), 0);
    const ProgramFolder f(inst());
    auto db = Database::open(f.database());
    EXPECT_NO_THROW(Schema::requireMain(*db));
    EXPECT_NO_THROW(Schema::requireReport(*Database::open(f.reportDatabase(), false)));
    EXPECT_NO_THROW(Schema::requireReport(*Database::open(f.reportDatabase() + ".schema", false)));
    EXPECT_TRUE(std::filesystem::exists(f.file("sentinex-setup")));
    EXPECT_EQ(TempDir::read(f.passwordFile()), "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n");
    EXPECT_FALSE(TempDir::read(f.schedule()).empty());
    // Byte for byte: the installation gets the sample in Windows-1252, as the schedule reads it.
    EXPECT_EQ(TempDir::read(f.schedule()), TempDir::read(std::string(SENTINEX_SOURCE_DIR) + "/kit/Date.txt"));
    // The three report layouts sit beside the executable, as the reports look for them.
    for (const char* layout : {"Utenti.rpt", "giornata1new.rpt", "presenze.rpt"}) {
        const std::string installed = TempDir::read(f.file(layout));
        EXPECT_NE(installed.find("sentinex-report 1"), std::string::npos) << layout;
        EXPECT_EQ(installed, TempDir::read(std::string(SENTINEX_SOURCE_DIR) + "/kit/" + layout)) << layout;
    }

    const Settings s = SettingsFile(f.settings()).loadAll();
    EXPECT_EQ(s.Seriale, 1);
    EXPECT_EQ(s.Polling, 100);
    EXPECT_FALSE(s.StoricoEsterno);
    EXPECT_FALSE(s.Imparziale);
    EXPECT_TRUE(s.Beep);
    EXPECT_EQ(s.Utenti, 0);
    EXPECT_EQ(s.OraImparziale, "##:##");
    EXPECT_FALSE(s.bandDefined[0] || s.bandDefined[1] || s.bandDefined[2]);
}

TEST_F(SetupTool, FillsTheHolidayCalendarWithTheNationalHolidays) {
    ASSERT_EQ(run(inst()), 0);
    auto db = Database::open(ProgramFolder(inst()).database());
    const auto rows = db->query("SELECT Data, Tipo, Descrizione FROM Festivita ORDER BY rowid");
    std::vector<std::string> dates;
    for (const auto& r : rows) {
        dates.push_back(r[0].toString());
        EXPECT_EQ(r[1].toString(), "Chiuso") << r[0].toString();
        EXPECT_FALSE(r[2].toString().empty()) << r[0].toString();
    }
    // Easter Monday moves every year: computed, never stored.
    EXPECT_EQ(dates, (std::vector<std::string>{"01/01", "06/01", "25/04", "01/05", "02/06", "15/08", "01/11",
                                               "08/12", "25/12", "26/12"}));
}

TEST_F(SetupTool, NamesBadgesHistoryAndPasswordAreNotWorldReadable) {
    // Whatever umask the installer runs under, the folder is 0750 and its data files 0640.
    ASSERT_EQ(std::system(("umask 000; " + setupTool() + " " + inst() + " >/dev/null 2>&1").c_str()), 0);
    namespace fs = std::filesystem;
    auto mode = [](const std::string& path) { return fs::status(path).permissions() & fs::perms::all; };
    using P = fs::perms;
    EXPECT_EQ(mode(inst()), P::owner_all | P::group_read | P::group_exec);
    for (const char* name :
         {"Sentinex.mdb", "RepSentinex.mdb", "Sentinex.ini", "pswsentinex.txt", "Date.txt"}) {
        EXPECT_EQ(mode(inst() + "/" + name), P::owner_read | P::owner_write | P::group_read) << name;
    }
}

TEST_F(SetupTool, AnExistingFolderIsBroughtTo0750AndSaysSo) {
    namespace fs = std::filesystem;
    using P = fs::perms;
    for (const bool withInstallation : {false, true}) {
        SCOPED_TRACE(withInstallation);
        TempDir fresh;
        const std::string folder = fresh.file("inst");
        if (withInstallation) {
            ASSERT_EQ(run(folder), 0); // the second run refuses the database, but still mends the mode
        } else {
            fs::create_directory(folder);
        }
        fs::permissions(folder,
                        P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec);
        std::string out;
        FILE* p = ::popen((setupTool() + " " + folder + " 2>&1").c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) {
            out += buf;
        }
        ::pclose(p);
        EXPECT_NE(out.find("Permessi della cartella " + folder + " portati a 0750 (erano 0755)"),
                  std::string::npos)
            << out;
        EXPECT_EQ(fs::status(folder).permissions() & P::all, P::owner_all | P::group_read | P::group_exec);
    }
}

TEST_F(SetupTool, KeepsAReportLayoutTheFolderAlreadyHolds) {
    // A layout adapted by hand survives a new installation into the same folder.
    std::filesystem::create_directories(inst());
    const std::string own = "sentinex-report 1\ntitle = Nostri utenti\n";
    dir.write("inst/Utenti.rpt", own);
    ASSERT_EQ(run(inst()), 0);
    EXPECT_EQ(TempDir::read(dir.file("inst/Utenti.rpt")), own);
    EXPECT_EQ(TempDir::read(dir.file("inst/presenze.rpt")),
              TempDir::read(std::string(SENTINEX_SOURCE_DIR) + "/kit/presenze.rpt"));
}

TEST_F(SetupTool, RefusesToOverwriteADatabase) {
    ASSERT_EQ(run(inst()), 0);
    Database::open(ProgramFolder(inst()).database())
        ->execute("INSERT INTO presenti (NumeroBadge) VALUES ('7')");
    EXPECT_EQ(run(inst()), 1);
    EXPECT_EQ(Database::open(ProgramFolder(inst()).database())
                  ->query("SELECT count(*) FROM presenti")[0][0]
                  .toInt(),
              1);
    EXPECT_NE(run(""), 0) << "a folder is required";
}

TEST_F(SetupTool, DemoDataGivesTwoReadersThreeUsersAndTheSimulatedPort) {
    ASSERT_EQ(run("--demo-data " + inst()), 0);
    const ProgramFolder f(inst());
    auto db = Database::open(f.database());
    ReaderStore store(db);
    ReaderList list;
    list.load(store);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.entry(0).location, "Ingresso");
    EXPECT_EQ(list.entry(0).direction, 1);
    EXPECT_EQ(list.entry(1).location, "Uscita  ");
    EXPECT_EQ(list.entry(1).direction, 0);
    EXPECT_EQ(list.entry(1).address, 2);
    EXPECT_EQ(list.entry(1).siteCode, 123);
    EXPECT_EQ(list.entry(1).posCodice[5], 9);
    EXPECT_EQ(db->query("SELECT count(*) FROM Carte")[0][0].toInt(), 3);
    const std::string bus = std::filesystem::absolute(f.file("bus")).lexically_normal().string();
    EXPECT_EQ(ProfileFile(f.settings()).find("Porte", "COM1").value_or(""), bus);
    EXPECT_EQ(SettingsFile(f.settings()).loadAll().Seriale, 1);
    EXPECT_EQ(run("--demo-data " + inst()), 1) << "demo data twice would duplicate readers";
}

} // namespace
} // namespace sentinex
