#include "ui/admin/FrmRipristino.hpp"

#include "session/Session.hpp"
#include "support/SessionSite.hpp"
#include "ui/support/FormDriver.hpp"

#include <QListWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace sentinex {
namespace {

using testing::FormDriver;

TEST(FrmRipristinoTest, ListsTheBackupsNewestFirstAndAsksTheRestartOnceConfirmed) {
    testing::SessionSite site;
    testing::TestInstall& install = site.install;
    testing::ScriptedOperator& op = site.op;
    const auto owned = site.newSession();
    Session& session = *owned;
    ASSERT_EQ(session.start(site.view), Session::Start::Ready);
    for (const DateTime& when : {DateTime{2026, 3, 12, 2, 30, 0}, DateTime{2026, 3, 14, 2, 30, 0}}) {
        site.clock.set(when);
        session.backupNow();
    }
    op.clear();

    FrmRipristino form(session);
    int restarts = 0;
    int closed = 0;
    QObject::connect(&form, &FrmRipristino::restartRequested, [&] { ++restarts; });
    QObject::connect(&form, &FrmRipristino::closed, [&] { ++closed; });
    form.show();
    FormDriver d(form, &op);
    EXPECT_EQ(form.windowTitle().toStdString(), "Sentinex - ripristino archivio");
    EXPECT_EQ(d.text("Command1"), "Ripristina");
    EXPECT_EQ(d.text("Command2"), "Annulla");
    EXPECT_EQ(d.read("List1").name, "Scegliere il backup da ripristinare:");
    auto& list = d.control<QListWidget>("List1");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text().toStdString(), "14/03/2026 02:30:00");
    EXPECT_EQ(list.item(1)->text().toStdString(), "12/03/2026 02:30:00");
    EXPECT_EQ(list.currentRow(), 0) << "the newest is offered";

    // Polling switched on meanwhile: refused, nothing asked of the next start.
    session.state().pollingOn = true;
    d.click("Command1");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, "Disabilitare prima il polling.");
    EXPECT_EQ(restarts, 0);

    session.state().pollingOn = false;
    op.clear();
    list.setCurrentRow(1);
    op.queueAnswer(Answer::Yes);
    d.click("Command1");
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(testing::TempDir::read(install.dir() + "/Sentinex.ripristino"),
              install.dir() + "/Backup/20260312-023000");
    form.close();
    EXPECT_EQ(closed, 0) << "a window that asked the restart does not return to its owner";
}

} // namespace
} // namespace sentinex
