#include "readers/AppState.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace sentinex {
namespace {

TEST(PollingInterval, PassTimeSpreadOverTheReaders) {
    const struct {
        std::int64_t polling;
        int readers;
        int expected;
    } cases[] = {
        {100, 4, 250},
        {100, 3, 333},
        {200, 3, 667},
        {0, 4, 0},
        {-5, 4, 0},
        {100, 0, 1000},
        {0, 0, 1000},
        {1, 64, 1}, // 10/64 rounds to 0, but a positive setting must still tick
        {5, 4, 12}, // 12.5 -> 12
        {7, 4, 18}, // 17.5 -> 18
        {3, 4, 8},  // 7.5 -> 8
        {123456789, 1, 1234567890},
        {std::numeric_limits<std::int32_t>::max(), 1, std::numeric_limits<int>::max()},
        {std::numeric_limits<std::int64_t>::max(), 1, std::numeric_limits<int>::max()},
        {std::numeric_limits<std::int64_t>::max(), 64, std::numeric_limits<int>::max()},
        {std::numeric_limits<std::int64_t>::min(), 4, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pollingInterval(c.polling, c.readers), c.expected)
            << "P=" << c.polling << " n=" << c.readers;
    }
}

TEST(AppState, ToolButtonsOnlyWhileBothSwitchesAreOff) {
    AppState s;
    EXPECT_TRUE(s.toolButtonsEnabled());
    s.pollingOn = true;
    EXPECT_FALSE(s.toolButtonsEnabled());
    s.outputOn = true;
    s.pollingOn = false;
    EXPECT_FALSE(s.toolButtonsEnabled()) << "polling off while output is on keeps them disabled";
    s.outputOn = false;
    EXPECT_TRUE(s.toolButtonsEnabled());
    s.stepInProgress = true;
    EXPECT_FALSE(s.toolButtonsEnabled());
}

TEST(AppState, AnimationRunsThroughThirteenFrames) {
    AppState s;
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(s.nextAnimationFrame(), i);
    }
    EXPECT_EQ(s.nextAnimationFrame(), 0);
    EXPECT_EQ(s.nextAnimationFrame(), 1);
}

TEST(AppState, ReaderRotationReturnsToOneAfterAFullPass) {
    AppState s;
    s.readers.setEntries(std::vector<ReaderEntry>(3));
    std::vector<int> seen;
    for (int i = 0; i < 7; ++i) {
        seen.push_back(s.currentReader);
        s.advanceReader();
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 1, 2, 3, 1}));
    s.readers.setEntries({});
    s.advanceReader();
    EXPECT_EQ(s.currentReader, 1);
    // After the list shrinks the index is brought back into range at the next step.
    s.readers.setEntries(std::vector<ReaderEntry>(5));
    s.currentReader = 5;
    s.readers.setEntries(std::vector<ReaderEntry>(2));
    s.advanceReader();
    EXPECT_EQ(s.currentReader, 1);
}

TEST(ReaderEntry, DirectionIsExactAndCaseSensitive) {
    EXPECT_EQ(ReaderEntry::directionOf("Out"), 0);
    EXPECT_EQ(ReaderEntry::directionOf("In"), 1);
    EXPECT_EQ(ReaderEntry::directionOf("InOut"), 2);
    EXPECT_EQ(ReaderEntry::directionOf("in"), 2);
    EXPECT_EQ(ReaderEntry::directionOf("In "), 2);
}

} // namespace
} // namespace sentinex
