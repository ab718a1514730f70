#include "session/InstanceLock.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(InstanceLockTest, OneHolderAtATimeAndFreedWhenTheHolderGoes) {
    testing::TempDir dir;
    const std::string path = dir.path() + "/Sentinex.lock";
    {
        InstanceLock first;
        ASSERT_TRUE(first.acquire(path));
        EXPECT_TRUE(first.held());
        InstanceLock second;
        EXPECT_FALSE(second.acquire(path));
        EXPECT_FALSE(second.held());
    }
    InstanceLock later;
    EXPECT_TRUE(later.acquire(path));
}

TEST(InstanceLockTest, AFolderWithoutWriteAccessStillLetsTheProgramRun) {
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire("/nonexistent-folder/Sentinex.lock"));
    EXPECT_FALSE(lock.held());
}

} // namespace
} // namespace sentinex
