#include "EntryLimit.hpp"

#include "core/Settings.hpp"

namespace sentinex {

EntryLimitSource savedEntryLimit(const Settings& settings) {
    return [&settings] {
        return EntryLimit{settings.FlagMassimoNumeroIngressi, settings.MassimoNumeroIngressi};
    };
}

} // namespace sentinex
