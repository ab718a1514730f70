#pragma once

#include "ReaderEntry.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sentinex {

class ReaderStore;

/// The up to 64 readers, in the stored order of `Lettori`. Index k (1-based) is entry k - 1.
class ReaderList {
public:
    static constexpr int Capacity = 64;

    /// Result of a load.
    struct LoadResult {
        int loaded = 0;
        bool truncated = false; // the table held more than 64 records; only the first 64 were taken
    };

    /// Replaces the list with the first 64 readers of `store` in stored order.
    /// Engine errors propagate as DatabaseError; the list is then left as it was.
    LoadResult load(ReaderStore& store);

    int count() const { return m_count; }
    const ReaderEntry& entry(int index0) const { return m_entries.at(static_cast<std::size_t>(index0)); }
    /// For tests and tools that build a list without a database.
    void setEntries(const std::vector<ReaderEntry>& entries);

private:
    std::array<ReaderEntry, Capacity> m_entries{};
    int m_count = 0;
};

} // namespace sentinex
