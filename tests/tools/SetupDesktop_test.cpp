#include "core/ProgramFolder.hpp"
#include "store/Database.hpp"
#include "store/Schema.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <vector>

namespace sentinex {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

/// Runs sentinex-setup with `args` for a user whose home is `home`; `runtime` is XDG_RUNTIME_DIR.
int runAs(const std::string& home, const std::string& runtime, const std::string& args) {
    const std::string cmd = "env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME=" + quoted(home) +
                            " XDG_RUNTIME_DIR=" + quoted(runtime) + " " + SENTINEX_BIN_DIR +
                            "/sentinex-setup " + args + " >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string dump(const std::string& db) {
    auto d = Database::open(db, false);
    std::string out;
    for (const char* table : {"Carte", "Lettori", "transiti", "Fasce"}) {
        for (const auto& row : d->query(std::string("SELECT * FROM ") + table + " ORDER BY 1")) {
            for (const auto& v : row) {
                out += v.toString() + "|";
            }
            out += "\n";
        }
    }
    return out;
}

void setVersion(const std::string& db, int version) {
    Database::open(db, false)->executeScript("PRAGMA user_version = " + std::to_string(version));
}

class SetupDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(std::string(SENTINEX_BIN_DIR) + "/sentinex-setup") ||
            !fs::exists(std::string(SENTINEX_BIN_DIR) + "/sentinex")) {
            GTEST_SKIP() << "sentinex-setup or sentinex not built";
        }
        // A folder with a blank and a percent sign: both must reach the entries intact.
        ASSERT_EQ(runAs(home(), "", "--demo-data " + quoted(inst())), 0);
    }
    TempDir dir;
    std::string inst() const { return dir.file("sito 100%"); }
    std::string home() const { return dir.file("home"); }
    std::string config(const std::string& rest) const { return home() + "/.config/" + rest; }
};

TEST_F(SetupDesktop, UpgradeReplacesTheExecutablesAndKeepsEveryDataFile) {
    const ProgramFolder f(inst());
    Database::open(f.database(), false)
        ->executeScript("INSERT INTO transiti (NumeroBadge, Cognome, Passaggio) VALUES ('0001', 'Rossi', 1)");
    setVersion(f.database(), 0); // written before the layout version was kept
    dir.write("sito 100%/sentinex", "vecchio");
    const std::string data = dump(f.database());
    const std::string settings = TempDir::read(f.settings());
    const std::string password = TempDir::read(f.passwordFile());
    ASSERT_NE(data.find("Rossi"), std::string::npos);

    ASSERT_EQ(runAs(home(), "", "--aggiorna " + quoted(inst())), 0);
    EXPECT_EQ(TempDir::read(f.file("sentinex")), TempDir::read(std::string(SENTINEX_BIN_DIR) + "/sentinex"));
    EXPECT_NE(fs::status(f.file("sentinex")).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(dump(f.database()), data);
    EXPECT_EQ(TempDir::read(f.settings()), settings);
    EXPECT_EQ(TempDir::read(f.passwordFile()), password);
    for (const auto& entry : fs::directory_iterator(inst())) {
        EXPECT_EQ(entry.path().filename().string().find(".nuovo"), std::string::npos) << entry.path();
    }

    // Newer than this program: refused, nothing replaced. No installation: refused.
    setVersion(f.database(), Schema::Version + 1);
    dir.write("sito 100%/sentinex", "vecchio");
    EXPECT_EQ(runAs(home(), "", "--aggiorna " + quoted(inst())), 1);
    EXPECT_EQ(TempDir::read(f.file("sentinex")), "vecchio");
    EXPECT_EQ(runAs(home(), "", "--aggiorna " + quoted(dir.file("nessuna"))), 1);
    EXPECT_FALSE(fs::exists(dir.file("nessuna")));
}

TEST_F(SetupDesktop, AutostartIsASystemdUnitWhereThereIsAUserManagerElseAnXdgEntry) {
    const std::string abs = fs::absolute(inst()).lexically_normal().string();
    std::string base = "sentinex";
    for (const char c : abs) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            base += c;
        } else if (base.back() != '-') {
            base += '-';
        }
    }
    while (base.back() == '-') {
        base.pop_back();
    }
    const std::string xdg = config("autostart/" + base + ".desktop");
    const std::string unit = config("systemd/user/" + base + ".service");
    const std::string wants = config("systemd/user/graphical-session.target.wants/" + base + ".service");

    // No user manager: an XDG autostart entry that starts this installation's program.
    ASSERT_EQ(runAs(home(), dir.file("runtime"), "--avvio-automatico " + quoted(inst())), 0);
    const std::string entry = TempDir::read(xdg);
    // In an Exec key a lone % is a field code: the folder's own is doubled.
    const std::string exec = "\nExec=\"" + abs.substr(0, abs.size() - 1) + "%%/sentinex\"\n";
    EXPECT_NE(entry.find(exec), std::string::npos) << entry;
    EXPECT_FALSE(fs::exists(unit));

    // With the manager's socket: the unit, enabled for the graphical session; the XDG entry goes.
    fs::create_directories(dir.file("runtime/systemd"));
    dir.write("runtime/systemd/private", "");
    ASSERT_EQ(runAs(home(), dir.file("runtime"), "--avvio-automatico " + quoted(inst())), 0);
    EXPECT_FALSE(fs::exists(xdg));
    const std::string text = TempDir::read(unit);
    for (const std::string& line : std::vector<std::string>{
             "PartOf=graphical-session.target", "After=graphical-session.target", "Restart=on-failure",
             "RestartPreventExitStatus=2", "WantedBy=graphical-session.target",
             // systemd reads % as a specifier: doubled, the folder's own percent sign stays one.
             "ExecStart=\"" + abs.substr(0, abs.size() - 1) + "%%/sentinex\""}) {
        EXPECT_NE(text.find("\n" + line + "\n"), std::string::npos) << line << "\n" << text;
    }
    ASSERT_TRUE(fs::is_symlink(wants));
    EXPECT_TRUE(fs::equivalent(wants, unit));

    EXPECT_EQ(runAs(home(), "", "--avvio-automatico " + quoted(dir.file("nessuna"))), 1);
    EXPECT_EQ(runAs(home(), "", "--avvio-automatico --menu " + quoted(inst())), 2);
}

TEST_F(SetupDesktop, MenuEntryIsValidAndStartsThisInstallation) {
    ASSERT_EQ(runAs(home(), "", "--menu " + quoted(inst())), 0);
    const fs::path apps = home() + "/.local/share/applications";
    ASSERT_TRUE(fs::is_directory(apps));
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(apps)) {
        entries.push_back(e.path());
    }
    ASSERT_EQ(entries.size(), 1u);
    const std::string text = TempDir::read(entries[0].string());
    const std::string abs = fs::absolute(inst()).lexically_normal().string();
    EXPECT_NE(text.find("\nExec=\"" + abs.substr(0, abs.size() - 1) + "%%/sentinex\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nIcon=sentinex\n"), std::string::npos) << text;
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate " + quoted(entries[0].string())).c_str()), 0);
    }
}

} // namespace
} // namespace sentinex
