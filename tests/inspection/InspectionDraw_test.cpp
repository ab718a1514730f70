#include "inspection/InspectionDraw.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace sentinex {
namespace {

using User = InspectionDraw::User;
using Shift = InspectionDraw::Shift;

/// `n` eligible users of `shift`, keys from `firstKey` on.
std::vector<User> usersOf(const std::string& shift, int n, std::int64_t firstKey) {
    std::vector<User> users;
    for (int i = 0; i < n; ++i) {
        users.push_back({firstKey + i, true, shift});
    }
    return users;
}

std::vector<User> concat(std::vector<std::vector<User>> parts) {
    std::vector<User> all;
    for (auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

TEST(InspectionDrawTest, CountsEligibleUsersPerShiftIgnoringBlanks) {
    const std::vector<User> users = {
        {1, true, "Mattino"},    {2, true, "Mattino   "}, {3, true, "  Mattino"}, {4, false, "Mattino"},
        {5, true, "Pomeriggio"}, {6, true, "mattino"},    {7, true, ""},          {8, false, "Notte"},
    };
    const std::vector<Shift> shifts = {{10, "Mattino"}, {11, " Pomeriggio  "}, {12, "Notte"}, {13, "Sera"}};
    EXPECT_EQ(InspectionDraw::countPerShift(users, shifts), (std::vector<int>{3, 1, 0, 0}));
    EXPECT_EQ(InspectionDraw::countPerShift({}, shifts), (std::vector<int>{0, 0, 0, 0}));
}

TEST(InspectionDrawTest, MarksPerShiftOnlyEligibleDistinctUsers) {
    struct Case {
        const char* name;
        int perShift;
        int eligibleA; // eligible users of shift A
        int eligibleB; // eligible users of shift B
        int expectA;   // marked in A
        int expectB;   // marked in B
    };
    const Case cases[] = {
        {"none asked", 0, 5, 3, 0, 0}, {"negative count", -2, 5, 3, 0, 0}, {"exactly N", 3, 3, 3, 3, 3},
        {"N plus one", 3, 4, 1, 3, 1}, {"many", 2, 50, 0, 2, 0},           {"one each", 1, 7, 7, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Ineligible users of both shifts and eligible users of a shift without a record are around.
        std::vector<User> users =
            concat({usersOf("A", c.eligibleA, 100), usersOf("B ", c.eligibleB, 200), usersOf("Z", 4, 300)});
        for (int i = 0; i < 4; ++i) {
            users.push_back({400 + i, false, i % 2 == 0 ? "A" : "B"});
        }
        const std::vector<Shift> shifts = {{1, "A"}, {2, "B"}};
        InspectionDraw::Random random(7);
        const auto marked = InspectionDraw::draw(users, shifts, c.perShift, random);
        const std::set<std::int64_t> distinct(marked.begin(), marked.end());
        EXPECT_EQ(distinct.size(), marked.size());
        int inA = 0;
        int inB = 0;
        for (const std::int64_t key : marked) {
            if (key >= 100 && key < 100 + c.eligibleA) {
                ++inA;
            } else if (key >= 200 && key < 200 + c.eligibleB) {
                ++inB;
            } else {
                ADD_FAILURE() << "user " << key << " is not an eligible user of a shift";
            }
        }
        EXPECT_EQ(inA, c.expectA);
        EXPECT_EQ(inB, c.expectB);
    }
}

TEST(InspectionDrawTest, ShiftNamedTwiceNeverMarksAUserTwiceNorWaitsForMissingUsers) {
    // Three users, two records of the same shift, two users per shift: the second record finds one user
    // left and takes it.
    const auto users = usersOf("Turno", 3, 1);
    const std::vector<Shift> shifts = {{1, "Turno"}, {2, "Turno "}};
    InspectionDraw::Random random(3);
    auto marked = InspectionDraw::draw(users, shifts, 2, random);
    std::sort(marked.begin(), marked.end());
    EXPECT_EQ(marked, (std::vector<std::int64_t>{1, 2, 3}));
}

TEST(InspectionDrawTest, SameSeedSameDrawAndEveryEligibleUserGetsDrawn) {
    const auto users = concat({usersOf("A", 10, 0), usersOf("B", 5, 100), {{50, false, "A"}}});
    const std::vector<Shift> shifts = {{1, "A"}, {2, "B"}};
    {
        InspectionDraw::Random first(42);
        InspectionDraw::Random second(42);
        EXPECT_EQ(InspectionDraw::draw(users, shifts, 3, first),
                  InspectionDraw::draw(users, shifts, 3, second));
    }
    // One source for many draws, as the program keeps it: each of the ten users of A is drawn with
    // probability 3/10; with 3000 draws the expected 900 picks have a spread of about 25.
    InspectionDraw::Random random(2024);
    const int draws = 3000;
    std::map<std::int64_t, int> picks;
    std::map<std::pair<std::int64_t, std::int64_t>, int> pairs;
    for (int d = 0; d < draws; ++d) {
        const auto marked = InspectionDraw::draw(users, shifts, 3, random);
        ASSERT_EQ(marked.size(), 6u);
        std::vector<std::int64_t> ofA;
        for (const auto key : marked) {
            ++picks[key];
            if (key < 100) {
                ofA.push_back(key);
            }
        }
        std::sort(ofA.begin(), ofA.end());
        for (std::size_t i = 0; i < ofA.size(); ++i) {
            for (std::size_t j = i + 1; j < ofA.size(); ++j) {
                ++pairs[{ofA[i], ofA[j]}];
            }
        }
    }
    EXPECT_EQ(picks.count(50), 0u);
    for (std::int64_t key = 0; key < 10; ++key) {
        EXPECT_GT(picks[key], 780) << "user " << key;
        EXPECT_LT(picks[key], 1020) << "user " << key;
    }
    // B: five users, three drawn, 3/5 each: about 1800 picks, spread about 27.
    for (std::int64_t key = 100; key < 105; ++key) {
        EXPECT_GT(picks[key], 1680) << "user " << key;
        EXPECT_LT(picks[key], 1920) << "user " << key;
    }
    // The picks of one draw do not lean on each other: each of the 45 pairs of A comes with one draw
    // in 15, about 200 times, spread about 14.
    EXPECT_EQ(pairs.size(), 45u);
    for (const auto& [pair, count] : pairs) {
        EXPECT_GT(count, 130) << pair.first << "," << pair.second;
        EXPECT_LT(count, 270) << pair.first << "," << pair.second;
    }
}

} // namespace
} // namespace sentinex
