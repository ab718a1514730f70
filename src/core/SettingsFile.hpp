#pragma once

#include "ProfileFile.hpp"
#include "Settings.hpp"
#include "SettingsKey.hpp"

#include <map>
#include <string>
#include <vector>

namespace sentinex {

/// The settings file "Sentinex.ini" and its conversion rules. No read or write ever throws; a missing
/// file, section or key yields the absent value, and a failed write leaves the old value.
class SettingsFile {
public:
    static constexpr const char* Section = "Impostazioni";
    explicit SettingsFile(std::string path) : m_file(std::move(path)) {}

    /// Reads every key, in the fixed order, then computes the band flags.
    Settings loadAll() const;
    /// The same reads without "Utenti" (which keeps its value in `s`).
    void reloadForDialog(Settings& s) const;
    /// Writes every key the settings dialog owns, in the fixed order, from `s`; recomputes band flags.
    /// Returns false when any write failed.
    bool saveAll(Settings& s) const;
    /// The settings dialog's save: `texts` maps keys to their stored forms ("Si"/"No" for flags, the field
    /// text as typed for the others); the keys of the save order found there are written in that order
    /// in one atomic rewrite, then `s` takes the same values through the load conversions (as a later
    /// load would see them) and the band flags are recomputed. When the write fails `s` stays as it was
    /// and false is returned: the program never runs on values the next start would not find.
    bool saveTexts(const std::map<std::string, std::string>& texts, Settings& s) const;
    /// Writes one key with a text value. Returns false when the write failed.
    bool writeKey(const std::string& key, const std::string& value) const;
    /// Writes the presence counter "Utenti" as decimal text without blanks.
    bool writeUtenti(std::int32_t count) const { return writeKey("Utenti", std::to_string(count)); }

    /// Raw read of a key through the 10-character receive buffer (at most 9 characters seen).
    std::string readRaw(const std::string& key) const;

    const ProfileFile& file() const { return m_file; }

    /// Every key of the file, in the order of a full load: the one description that the loads, the
    /// saves and the settings dialog all work from.
    static const std::vector<SettingsKey>& keys();
    /// The key of that name (exact spelling), or nullptr.
    static const SettingsKey* findKey(const std::string& name);
    /// Keys in the order of a full load (with "Utenti") and of the dialog's save.
    static const std::vector<std::string>& loadOrder();
    static const std::vector<std::string>& saveOrder();
    /// Converts a read value into the field of `key`; false for a key that is not a setting.
    static bool apply(Settings& s, const std::string& key, const std::string& raw);

    // Conversions, public so they can be checked one by one.
    static bool siFlag(const std::string& v);
    static bool noFlag(const std::string& v);
    static bool yesFlag(const std::string& v);
    static std::int64_t number(const std::string& v, std::int64_t lo, std::int64_t hi);
    static std::int16_t hexAddress(const std::string& v);
    static std::int16_t firstDigit(const std::string& v);
    static std::string timeText(const std::string& v);
    static std::string upToNul(const std::string& v);

private:
    void readInto(Settings& s, bool forDialog) const;
    ProfileFile m_file;
};

} // namespace sentinex
