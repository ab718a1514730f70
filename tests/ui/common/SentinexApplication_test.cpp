#include "ui/common/SentinexApplication.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "ui/common/QtOperator.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace sentinex {
namespace {

SentinexApplication& app() {
    auto* running = qobject_cast<SentinexApplication*>(QCoreApplication::instance());
    if (!running) {
        throw std::logic_error("the window tests run under SentinexApplication");
    }
    return *running;
}

QPushButton* waitFormButton(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("FrmWait") && w->isVisible()) {
            return w->findChild<QPushButton*>(name);
        }
    }
    return nullptr;
}

TEST(SentinexApplicationTest, WhileTheWaitFormIsUpOnlyItTakesClicksKeysAndClose) {
    QWidget form;
    form.setWindowTitle(QStringLiteral("form under the run"));
    auto* button = new QPushButton(QStringLiteral("Elimina"), &form); // owned by the form
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    form.show();

    QtOperator op;
    op.showWait();
    op.offerWaitCancel(true);

    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks, 0) << "a click on the form under a run must not act";
    form.close();
    EXPECT_TRUE(form.isVisible()) << "the form under a run refuses its close";

    QPushButton* stop = waitFormButton("CommandAnnulla");
    ASSERT_NE(stop, nullptr);
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_TRUE(op.waitCancelRequested()) << "the wait form's own stop button acts";

    op.closeWait();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1) << "after the run the form works again";
    form.close();
    EXPECT_FALSE(form.isVisible());
}

TEST(SentinexApplicationTest, AFailureThatASlotLetsThroughIsShownAndTheLoopGoesOn) {
    testing::ScriptedOperator op;
    app().setOperator(&op);
    QTimer::singleShot(0, [] { throw DatabaseError("database is locked"); });
    QTimer::singleShot(0, [] { throw std::runtime_error("bad_function_call"); });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    app().setOperator(nullptr);
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    EXPECT_EQ(op.shown[0].text, std::string(SlotGuard::StoreErrorPrefix) + "database is locked");
    EXPECT_EQ(op.shown[1].text, SlotGuard::UnexpectedText);

    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(later) << "events after the failure are still delivered";
}

} // namespace
} // namespace sentinex
