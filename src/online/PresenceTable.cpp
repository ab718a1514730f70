#include "PresenceTable.hpp"

#include "OnlineServices.hpp"
#include "StoreFailureNotice.hpp"
#include "store/Database.hpp"
#include "core/Numbers.hpp"
#include "store/RecordSet.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"

#include <cstdint>
#include <limits>

namespace sentinex {

void PresenceTable::setCounter(long long value) {
    const auto v = static_cast<std::int32_t>(clampTo(value, 0, std::numeric_limits<std::int32_t>::max()));
    m_s.settings.Utenti = v;
    m_s.settingsFile.writeUtenti(v);
}

bool PresenceTable::check(const std::string& number, int direction) {
    if (direction != 0 && direction != 1) {
        return false;
    }
    // The lookup reads the live table, so entries and exits booked meanwhile are seen.
    RecordSet& p = m_s.presenti;
    // Blanks around a stored badge do not count. The two ranges (badges that start with the number,
    // badges that start with a blank) let the index find the candidates; trim() then decides.
    const bool inside = p.findFirst("((NumeroBadge >= ?1 AND NumeroBadge < ?1 || '!') OR "
                                    "(NumeroBadge >= ' ' AND NumeroBadge < '!')) AND trim(NumeroBadge) = ?1",
                                    {trim(number)});
    if (inside && direction == 1) {
        return true;
    }
    if (!inside && direction == 0) {
        return true;
    }
    if (inside) {
        try {
            p.deleteCurrent();
        } catch (const DatabaseError& e) {
            m_notice.failed(e.what());
            return false;
        }
        m_notice.succeeded();
        setCounter(static_cast<long long>(m_s.settings.Utenti) - 1);
    }
    return false;
}

void PresenceTable::enter(const std::string& number, int direction) {
    if (addEntry(number, direction)) {
        countEntry();
    }
}

bool PresenceTable::addEntry(const std::string& number, int direction) {
    if (direction != 1) {
        return false;
    }
    RecordSet& p = m_s.presenti;
    try {
        p.addNew();
        p.setField("NumeroBadge", trim(number));
        p.update();
    } catch (const DatabaseError& e) {
        try {
            p.cancelUpdate();
        } catch (const DatabaseError&) {
        }
        m_notice.failed(e.what());
        return false;
    }
    m_notice.succeeded();
    return true;
}

void PresenceTable::countEntry() {
    setCounter(static_cast<long long>(m_s.settings.Utenti) + 1);
}

} // namespace sentinex
