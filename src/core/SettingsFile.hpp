#pragma once

#include "ProfileFile.hpp"
#include "Settings.hpp"

#include <string>

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
    /// Writes one key with a text value. Returns false when the write failed.
    bool writeKey(const std::string& key, const std::string& value) const;
    /// Writes the presence counter "Utenti" as decimal text without blanks.
    bool writeUtenti(std::int32_t count) const { return writeKey("Utenti", std::to_string(count)); }

    /// Raw read of a key through the 10-character receive buffer (at most 9 characters seen).
    std::string readRaw(const std::string& key) const;

    const ProfileFile& file() const { return m_file; }

    // Conversions, public so they can be checked one by one.
    static bool siFlag(const std::string& v);
    static bool noFlag(const std::string& v);
    static std::int64_t number(const std::string& v, std::int64_t lo, std::int64_t hi);
    static std::int16_t hexAddress(const std::string& v);
    static std::int16_t firstDigit(const std::string& v);
    static std::string timeText(const std::string& v);
    static std::string upToNul(const std::string& v);

private:
    void readInto(Settings& s, bool withUtenti) const;
    ProfileFile m_file;
};

} // namespace sentinex
