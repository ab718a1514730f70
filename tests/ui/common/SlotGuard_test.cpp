#include "ui/common/SlotGuard.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"

#include <QCloseEvent>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace sentinex {
namespace {

TEST(SlotGuardTest, AFailureIsShownInItalianAndGoesNoFurther) {
    const struct {
        const char* what;
        void (*fail)();
        std::string shown;
    } cases[] = {
        {"store error", [] { throw DatabaseError("database is locked"); },
         std::string(SlotGuard::StoreErrorPrefix) + "database is locked"},
        {"other error", [] { throw std::runtime_error("vector::at"); }, SlotGuard::UnexpectedText},
        {"not an exception class", [] { throw 42; }, SlotGuard::UnexpectedText},
    };
    for (const auto& c : cases) {
        testing::ScriptedOperator op;
        bool ran = true;
        EXPECT_NO_THROW(ran = SlotGuard::run(op, c.fail)) << c.what;
        EXPECT_FALSE(ran) << c.what;
        ASSERT_EQ(op.shown.size(), 1u) << c.what;
        EXPECT_EQ(op.shown[0].title, "Errore") << c.what;
        EXPECT_EQ(op.shown[0].text, c.shown) << c.what;
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical) << c.what;
    }
}

TEST(SlotGuardTest, NothingActsWhileARunOwnsTheScreenButATickStillRuns) {
    testing::ScriptedOperator op;
    int acted = 0;
    op.showWait();
    EXPECT_FALSE(SlotGuard::run(op, [&] { ++acted; }));
    auto slot = SlotGuard::wrap(op, [&] { ++acted; });
    slot(true); // a signal's argument is ignored
    EXPECT_EQ(acted, 0);
    EXPECT_TRUE(SlotGuard::runAlways(op, [&] { ++acted; }));
    EXPECT_EQ(acted, 1);

    QCloseEvent close;
    EXPECT_TRUE(SlotGuard::refuseWhileRun(op, &close));
    EXPECT_FALSE(close.isAccepted());

    op.closeWait();
    slot();
    EXPECT_EQ(acted, 2);
    QCloseEvent later;
    EXPECT_FALSE(SlotGuard::refuseWhileRun(op, &later));
    EXPECT_TRUE(later.isAccepted());
    EXPECT_TRUE(op.shown.empty());
}

} // namespace
} // namespace sentinex
