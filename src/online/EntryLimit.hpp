#pragma once

#include <cstdint>
#include <functional>

namespace sentinex {

struct Settings;

/// The maximum number of entries and its switch, as the decision must see them at each card: the saved
/// values, or the settings dialog's unsaved edits while it is open.
struct EntryLimit {
    bool on = false;
    std::int64_t maximum = 0;
};

/// Asked once per card that reaches the entry limit check.
using EntryLimitSource = std::function<EntryLimit()>;

/// A source that reads "FlagMassimoNumeroIngressi" and "MassimoNumeroIngressi" of `settings` at every call.
EntryLimitSource savedEntryLimit(const Settings& settings);

} // namespace sentinex
