#include "backup/RestorePresenter.hpp"

#include "backup/BackupFolder.hpp"
#include "backup/BackupRun.hpp"
#include "backup/Restore.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

/// An installation with two good backups, of the 13th and the 14th.
struct Site {
    Site() {
        for (const DateTime& when : {DateTime{2026, 3, 13, 2, 30, 0}, DateTime{2026, 3, 14, 2, 30, 0}}) {
            BackupRun run(*install.db(), install.dir(), root(), when);
            run.runToEnd({});
        }
    }
    std::string root() const { return BackupFolder::root(install.dir(), ""); }
    bool asked() const { return fs::exists(install.dir() + "/" + Restore::PendingFile); }

    TestInstall install;
    ScriptedOperator op;
};

TEST(RestorePresenterTest, TheBackupsAreOfferedNewestFirstOrNoneIsSaid) {
    Site site;
    RestorePresenter presenter(site.op, site.install.dir(), site.root());
    EXPECT_TRUE(presenter.offerChoice());
    EXPECT_EQ(presenter.labels(), (std::vector<std::string>{"14/03/2026 02:30:00", "13/03/2026 02:30:00"}));
    EXPECT_TRUE(site.op.shown.empty());

    TempDir empty;
    RestorePresenter none(site.op, site.install.dir(), empty.path());
    EXPECT_FALSE(none.offerChoice());
    ASSERT_EQ(site.op.shown.size(), 1u);
    EXPECT_EQ(site.op.last().title, "Messaggio");
    EXPECT_EQ(site.op.last().text, "Non ci sono backup da ripristinare.");
}

TEST(RestorePresenterTest, RefusalsComeBeforeTheQuestionAndAskNothingOfTheNextStart) {
    const struct {
        const char* what;
        int index;
        bool polling;
        bool output;
        const char* title;
        const char* text;
    } cases[] = {
        {"polling on", 0, true, false, "Messaggio", "Disabilitare prima il polling."},
        {"polling and output on", 0, true, true, "Messaggio", "Disabilitare prima il polling."},
        {"output on", 0, false, true, "Messaggio", "Disabilitare prima l'output automatico."},
        {"nothing chosen", -1, false, false, "Attenzione", "Scegliere un backup dall'elenco."},
    };
    for (const auto& c : cases) {
        Site site;
        RestorePresenter presenter(site.op, site.install.dir(), site.root());
        site.op.queueAnswer(Answer::Yes);
        EXPECT_FALSE(presenter.restore(c.index, c.polling, c.output)) << c.what;
        ASSERT_EQ(site.op.shown.size(), 1u) << c.what << ": no question after a refusal";
        EXPECT_EQ(site.op.last().title, c.title) << c.what;
        EXPECT_EQ(site.op.last().text, c.text) << c.what;
        EXPECT_FALSE(site.asked()) << c.what;
    }
}

TEST(RestorePresenterTest, AConfirmedRestoreOfAGoodBackupIsAskedOfTheNextStart) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        Site site;
        RestorePresenter presenter(site.op, site.install.dir(), site.root());
        site.op.queueAnswer(answer);
        EXPECT_EQ(presenter.restore(1, false, false), answer == Answer::Yes);
        ASSERT_EQ(site.op.shown.size(), 1u);
        EXPECT_EQ(site.op.last().title, "Domanda");
        EXPECT_EQ(site.op.last().text,
                  "Confermi il ripristino del backup del 13/03/2026 02:30:00 ?\nI file attuali "
                  "saranno conservati con il suffisso .prima-del-ripristino e il programma "
                  "verrà riavviato.");
        EXPECT_EQ(site.asked(), answer == Answer::Yes);
        if (answer == Answer::Yes) {
            EXPECT_EQ(TempDir::read(site.install.dir() + "/" + Restore::PendingFile),
                      site.root() + "/20260313-023000");
        }
    }
}

TEST(RestorePresenterTest, ADamagedBackupIsRefusedBeforeTheQuestion) {
    Site site;
    std::ofstream(site.root() + "/20260314-023000/Sentinex.mdb", std::ios::trunc) << "rovinato";
    RestorePresenter presenter(site.op, site.install.dir(), site.root());
    site.op.queueAnswer(Answer::Yes);
    EXPECT_FALSE(presenter.restore(0, false, false));
    ASSERT_EQ(site.op.shown.size(), 1u);
    EXPECT_EQ(site.op.last().title, "Errore");
    EXPECT_EQ(site.op.last().text.rfind("Il backup scelto è danneggiato e non può essere ripristinato (", 0),
              0u);
    EXPECT_FALSE(site.asked());
}

} // namespace
} // namespace sentinex
