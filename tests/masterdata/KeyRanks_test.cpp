#include "masterdata/KeyRanks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace sentinex {
namespace {

/// The place of every stored key as the anchors give it (the anchor's place plus the keys counted after
/// it), against the keys' own order.
void expectEveryPlace(const KeyRanks& ranks, const std::set<std::int64_t>& keys, const std::string& what) {
    std::int64_t place = 0;
    for (std::int64_t key : keys) {
        ++place;
        const auto anchor = ranks.atOrBelow(key);
        const std::int64_t from = anchor ? anchor->rank : 0;
        const auto counted = std::count_if(keys.begin(), keys.end(), [&](std::int64_t k) {
            return k <= key && (!anchor || k > anchor->key);
        });
        EXPECT_EQ(from + counted, place) << what << ", key " << key;
    }
}

TEST(KeyRanksTest, AnchorsEverySpacingFromTheFirstKeyWhateverTheOrderGiven) {
    const KeyRanks ranks({40, 10, 30, 20, 50, -5, 70}, 3);
    using A = KeyRanks::Anchor;
    EXPECT_EQ(ranks.anchors(), (std::vector<A>{{-5, 1}, {30, 4}, {70, 7}}));
    EXPECT_FALSE(ranks.atOrBelow(-6));
    EXPECT_EQ(ranks.atOrBelow(-5), (A{-5, 1}));
    EXPECT_EQ(ranks.atOrBelow(29), (A{-5, 1}));
    EXPECT_EQ(ranks.atOrBelow(30), (A{30, 4}));
    EXPECT_EQ(ranks.atOrBelow(1000), (A{70, 7}));
    EXPECT_TRUE(KeyRanks({}).anchors().empty());
    EXPECT_FALSE(KeyRanks({}).atOrBelow(1));
}

// Every key's place must hold through any run of additions and removals the kept anchors follow.
TEST(KeyRanksTest, PlacesHoldThroughAdditionsAndRemovals) {
    std::set<std::int64_t> keys;
    for (std::int64_t k = 1; k <= 20; ++k) {
        keys.insert(k * 2);
    }
    KeyRanks ranks({keys.begin(), keys.end()}, 4); // anchors on 2, 10, 18, 26, 34
    const auto take = [&](std::int64_t k) {
        keys.erase(k);
        ranks.removed(k);
    };
    const auto add = [&](std::int64_t k) {
        keys.insert(k);
        EXPECT_TRUE(ranks.appended(k, static_cast<std::int64_t>(keys.size()))) << k;
    };
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"a key between anchors", [&] { take(12); }},
        {"an anchor's own key", [&] { take(18); }},
        {"the first key, an anchor", [&] { take(2); }},
        {"the last key", [&] { take(40); }},
        {"a key never there", [&] { take(41); }},
        {"added above every key", [&] { add(100); }},
        {"enough added for new anchors",
         [&] {
             for (std::int64_t k = 101; k <= 110; ++k) {
                 add(k);
             }
         }},
        {"every key between two anchors",
         [&] {
             for (std::int64_t k : {20, 22, 24}) {
                 take(k);
             }
         }},
        {"all but one",
         [&] {
             while (keys.size() > 1) {
                 take(*keys.begin());
             }
         }},
        {"the last one", [&] { take(*keys.begin()); }},
        {"added to nothing", [&] { add(7); }},
    };
    expectEveryPlace(ranks, keys, "as built");
    for (const auto& [what, step] : steps) {
        step();
        expectEveryPlace(ranks, keys, what);
    }
}

TEST(KeyRanksTest, AKeyNotAboveTheAnchorsIsRefusedAndChangesNothing) {
    KeyRanks ranks({1, 2, 3, 4, 5}, 2); // anchors on 1, 3, 5
    const auto before = ranks.anchors();
    EXPECT_FALSE(ranks.appended(5, 6));
    EXPECT_FALSE(ranks.appended(0, 6));
    EXPECT_EQ(ranks.anchors(), before);
}

} // namespace
} // namespace sentinex
