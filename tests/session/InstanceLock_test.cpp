#include "session/InstanceLock.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace sentinex {
namespace {

TEST(InstanceLockTest, OneHolderAtATimeAndFreedWhenTheHolderGoes) {
    testing::TempDir dir;
    const std::string path = dir.path() + "/Sentinex.lock";
    {
        InstanceLock first;
        ASSERT_EQ(first.acquire(path), InstanceLock::Result::Acquired);
        EXPECT_TRUE(first.held());
        InstanceLock second;
        EXPECT_EQ(second.acquire(path), InstanceLock::Result::Taken);
        EXPECT_FALSE(second.held());
    }
    InstanceLock later;
    EXPECT_EQ(later.acquire(path), InstanceLock::Result::Acquired);
}

TEST(InstanceLockTest, AFolderWithoutWriteAccessStillLetsTheProgramRun) {
    InstanceLock lock;
    EXPECT_EQ(lock.acquire("/nonexistent-folder/Sentinex.lock"), InstanceLock::Result::Unguarded);
    EXPECT_FALSE(lock.held());
}

TEST(InstanceLockTest, APathThatIsNotAFileCannotBeLocked) {
    // A folder named like the lock file would let every copy run: it is refused, and no copy holds it.
    testing::TempDir dir;
    const std::string path = dir.path() + "/Sentinex.lock";
    ASSERT_EQ(::mkdir(path.c_str(), 0750), 0);
    InstanceLock first;
    EXPECT_EQ(first.acquire(path), InstanceLock::Result::Unusable);
    EXPECT_FALSE(first.held());
    InstanceLock second;
    EXPECT_EQ(second.acquire(path), InstanceLock::Result::Unusable);
}

TEST(InstanceLockTest, AnExistingLockFileInAReadOnlyFolderStillGuards) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes through any mode";
    }
    testing::TempDir dir;
    const std::string path = dir.path() + "/Sentinex.lock";
    {
        InstanceLock make;
        ASSERT_EQ(make.acquire(path), InstanceLock::Result::Acquired);
    }
    ASSERT_EQ(::chmod(path.c_str(), 0440), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0550), 0);
    InstanceLock first;
    EXPECT_EQ(first.acquire(path), InstanceLock::Result::Acquired);
    InstanceLock second;
    EXPECT_EQ(second.acquire(path), InstanceLock::Result::Taken);
    ::chmod(dir.path().c_str(), 0750);
}

} // namespace
} // namespace sentinex
