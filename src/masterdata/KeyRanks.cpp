#include "KeyRanks.hpp"

#include <algorithm>

namespace sentinex {

KeyRanks::KeyRanks(std::vector<std::int64_t> keys, std::int64_t spacing)
    : m_spacing(std::max<std::int64_t>(spacing, 1)) {
    // The keys usually arrive in order already (read through an index whose leading values are alike).
    if (!std::is_sorted(keys.begin(), keys.end())) {
        std::sort(keys.begin(), keys.end());
    }
    const auto count = static_cast<std::int64_t>(keys.size());
    m_anchors.reserve(static_cast<std::size_t>(count / m_spacing + 1));
    for (std::int64_t at = 0; at < count; at += m_spacing) {
        m_anchors.push_back({keys[static_cast<std::size_t>(at)], at + 1});
    }
}

std::optional<KeyRanks::Anchor> KeyRanks::atOrBelow(std::int64_t key) const {
    const auto above = std::upper_bound(m_anchors.begin(), m_anchors.end(), key,
                                        [](std::int64_t k, const Anchor& a) { return k < a.key; });
    if (above == m_anchors.begin()) {
        return std::nullopt;
    }
    return *std::prev(above);
}

bool KeyRanks::appended(std::int64_t key, std::int64_t total) {
    if (!m_anchors.empty() && key <= m_anchors.back().key) {
        return false;
    }
    // Far enough past the last anchor, or none left: a new one keeps the counts short. Above every key,
    // its place is the total.
    if (m_anchors.empty() || total - m_anchors.back().rank >= m_spacing) {
        m_anchors.push_back({key, total});
    }
    return true;
}

void KeyRanks::removed(std::int64_t key) {
    auto from = std::lower_bound(m_anchors.begin(), m_anchors.end(), key,
                                 [](const Anchor& a, std::int64_t k) { return a.key < k; });
    if (from != m_anchors.end() && from->key == key) {
        from = m_anchors.erase(from);
    }
    for (auto it = from; it != m_anchors.end(); ++it) {
        --it->rank;
    }
}

} // namespace sentinex
