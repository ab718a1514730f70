#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace sentinex {

/// Where some record keys stand in key order, so the place of any key needs only the keys counted
/// after the nearest of them: an anchor every `spacing` keys, from the first key on. Knows nothing of
/// the file; whoever keeps it must drop it when the keys change behind its back.
class KeyRanks {
public:
    static constexpr std::int64_t DefaultSpacing = 1024;

    /// A key and its place (1-based) among the keys in key order.
    struct Anchor {
        std::int64_t key = 0;
        std::int64_t rank = 0;
        bool operator==(const Anchor&) const = default;
    };

    /// Anchors over `keys`, in any order, each key once; `spacing` of at least 1.
    explicit KeyRanks(std::vector<std::int64_t> keys, std::int64_t spacing = DefaultSpacing);

    /// The anchor of the greatest key not above `key`; nothing when `key` is below every anchor.
    std::optional<Anchor> atOrBelow(std::int64_t key) const;

    /// A key added above every other, `total` keys in all afterwards. False, with nothing changed, when
    /// it is not above every anchor: the anchors no longer say where keys stand.
    bool appended(std::int64_t key, std::int64_t total);
    /// A key taken out: the keys above it move down one place, and its own anchor goes.
    void removed(std::int64_t key);

    const std::vector<Anchor>& anchors() const { return m_anchors; }

private:
    std::int64_t m_spacing;
    std::vector<Anchor> m_anchors;
};

} // namespace sentinex
