#include "ReaderList.hpp"

#include "programming/ReaderStore.hpp"

namespace sentinex {

ReaderList::LoadResult ReaderList::load(ReaderStore& store) {
    // One more than the list holds, to know whether the table had more.
    const std::vector<ReaderEntry> read = store.entries(Capacity + 1);
    LoadResult result;
    result.truncated = read.size() > static_cast<std::size_t>(Capacity);
    std::array<ReaderEntry, Capacity> entries{};
    for (const ReaderEntry& e : read) {
        if (result.loaded == Capacity) {
            break;
        }
        entries[static_cast<std::size_t>(result.loaded++)] = e;
    }
    m_entries = entries;
    m_count = result.loaded;
    return result;
}

void ReaderList::setEntries(const std::vector<ReaderEntry>& entries) {
    m_entries = {};
    m_count = 0;
    for (const ReaderEntry& e : entries) {
        if (m_count == Capacity) {
            break;
        }
        m_entries[static_cast<std::size_t>(m_count++)] = e;
    }
}

} // namespace sentinex
