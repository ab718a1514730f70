#include "store/Value.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(Value, ConversionsFollowTheRecordStoreRules) {
    EXPECT_EQ(Value().toString(), "");
    EXPECT_EQ(Value(3.0).toString(), "3");
    EXPECT_EQ(Value(2.5).toString(), "2.5");
    EXPECT_EQ(Value(42).toString(), "42");
    EXPECT_EQ(Value("0012").toInt(), 12);
    EXPECT_EQ(Value(2.5).toInt(), 2);
    EXPECT_EQ(Value(3.5).toInt(), 4);
    EXPECT_EQ(Value("abc").toInt(), 0);
    EXPECT_EQ(Value(true), Value(1));
}

TEST(Value, NullAndZeroReadAsFalse) {
    EXPECT_FALSE(Value().toBool());
    EXPECT_FALSE(Value(0).toBool());
    EXPECT_FALSE(Value("").toBool());
    EXPECT_FALSE(Value("False").toBool());
    EXPECT_TRUE(Value(-1).toBool());
    EXPECT_TRUE(Value("True").toBool());
    EXPECT_TRUE(Value("1").toBool());
    EXPECT_TRUE(Value(0.5).toBool());
}

} // namespace
} // namespace sentinex
