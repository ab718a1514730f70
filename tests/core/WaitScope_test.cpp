#include "core/WaitScope.hpp"

#include "support/ScriptedOperator.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace sentinex {
namespace {

TEST(WaitScopeTest, ClosesTheWaitFormOnEveryWayOutAndLeavesAnOuterOneUp) {
    testing::ScriptedOperator op;
    try {
        WaitScope wait(op);
        EXPECT_TRUE(op.waitShown());
        throw std::runtime_error("store error");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(op.waitShown()) << "an exception must not leave the wait form up";

    {
        WaitScope outer(op);
        { WaitScope inner(op); }
        EXPECT_TRUE(op.waitShown()) << "a run inside a run leaves the outer run's wait form up";
        outer.close();
        EXPECT_FALSE(op.waitShown());
    }
    EXPECT_FALSE(op.waitShown());
}

} // namespace
} // namespace sentinex
