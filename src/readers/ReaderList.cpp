#include "ReaderList.hpp"

#include "core/Numbers.hpp"
#include "store/RecordSet.hpp"

#include <limits>

namespace sentinex {

namespace {

std::int16_t asInt16(const Value& v) {
    return static_cast<std::int16_t>(clampTo(v.toInt(), std::numeric_limits<std::int16_t>::min(),
                                             std::numeric_limits<std::int16_t>::max()));
}

std::int32_t asInt32(const Value& v) {
    return static_cast<std::int32_t>(clampTo(v.toInt(), std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
}

} // namespace

ReaderList::LoadResult ReaderList::load(RecordSet& lettori) {
    std::array<ReaderEntry, Capacity> entries{};
    LoadResult result;
    lettori.refresh();
    while (!lettori.eof()) {
        if (result.loaded == Capacity) {
            result.truncated = true;
            break;
        }
        ReaderEntry& e = entries[static_cast<std::size_t>(result.loaded)];
        e.type = lettori.text("TipoLettore");
        e.address = asInt16(lettori.field("NumeroIndirizzo"));
        e.loop = asInt16(lettori.field("NumeroLoop"));
        e.siteCode = asInt32(lettori.field("CodiceImpianto"));
        e.delay = asInt16(lettori.field("Ritardo"));
        e.location = lettori.text("SituatoPresso");
        for (int i = 0; i < 4; ++i) {
            e.posCarta[i] = asInt16(lettori.field("PosCarta" + std::to_string(i + 1)));
        }
        for (int i = 0; i < 6; ++i) {
            e.posCodice[i] = asInt16(lettori.field("PosCodice" + std::to_string(i + 1)));
        }
        e.state = lettori.text("Stato");
        e.direction = ReaderEntry::directionOf(e.state);
        ++result.loaded;
        lettori.moveNext();
    }
    lettori.refresh();
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
