#include "SettingsFile.hpp"

#include "Numbers.hpp"

#include <cstdio>
#include <limits>
#include <map>
#include <utility>
#include <vector>

namespace sentinex {

namespace {

constexpr std::int64_t kIntMin = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kLongMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kLongMax = std::numeric_limits<std::int32_t>::max();

std::int16_t asInteger(const std::string& v) {
    return static_cast<std::int16_t>(SettingsFile::number(v, kIntMin, kIntMax));
}
std::int32_t asLong(const std::string& v) {
    return static_cast<std::int32_t>(SettingsFile::number(v, kLongMin, kLongMax));
}

/// First `n` characters of a UTF-8 text.
std::string firstChars(const std::string& s, std::size_t n) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == n) {
                return s.substr(0, i);
            }
            ++chars;
        }
    }
    return s;
}

std::string flagText(bool b) {
    return b ? "Si" : "No";
}

} // namespace

bool SettingsFile::siFlag(const std::string& v) {
    return v.compare(0, 2, "Si") == 0 && v.size() >= 2;
}

bool SettingsFile::noFlag(const std::string& v) {
    const std::string two = v.substr(0, 2);
    return !(two == "No" || two == "NO");
}

std::int64_t SettingsFile::number(const std::string& v, std::int64_t lo, std::int64_t hi) {
    return clampTo(wholeValue(v), lo, hi);
}

std::int16_t SettingsFile::hexAddress(const std::string& v) {
    int result = 0;
    const std::string head = v.substr(0, 3);
    for (char c : head) {
        int d = 0;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else {
            break;
        }
        result = result * 16 + d;
    }
    return static_cast<std::int16_t>(result);
}

std::int16_t SettingsFile::firstDigit(const std::string& v) {
    if (!v.empty() && v[0] >= '0' && v[0] <= '9') {
        return static_cast<std::int16_t>(v[0] - '0');
    }
    return 0;
}

std::string SettingsFile::timeText(const std::string& v) {
    return firstChars(v, 5);
}

std::string SettingsFile::upToNul(const std::string& v) {
    return v.substr(0, v.find('\0'));
}

std::string SettingsFile::readRaw(const std::string& key) const {
    return m_file.read(Section, key, "", 10);
}

const std::vector<std::string>& SettingsFile::loadOrder() {
    static const std::vector<std::string> keys = {"Indirizzo485",
                                                  "CancellaStorico",
                                                  "Seriale",
                                                  "SchedaL-485",
                                                  "Polling",
                                                  "MassimoNumeroIngressi",
                                                  "FlagMassimoNumeroIngressi",
                                                  "Ritardo",
                                                  "QuattroCifre",
                                                  "FasceOrarie",
                                                  "Imparziale",
                                                  "NumeroImparziale",
                                                  "StoricoEsterno",
                                                  "FileVireo",
                                                  "ScattareAdOrario",
                                                  "OraImparziale",
                                                  "TastieraOutput1",
                                                  "TastieraOutput2",
                                                  "AttivaOutput",
                                                  "OrarioIniziale1",
                                                  "OrarioIniziale2",
                                                  "OrarioIniziale3",
                                                  "OrarioFinale1",
                                                  "OrarioFinale2",
                                                  "OrarioFinale3",
                                                  "Utenti",
                                                  "Beep"};
    return keys;
}

const std::vector<std::string>& SettingsFile::saveOrder() {
    static const std::vector<std::string> keys = {"Indirizzo485",
                                                  "CancellaStorico",
                                                  "SchedaL-485",
                                                  "Polling",
                                                  "MassimoNumeroIngressi",
                                                  "FlagMassimoNumeroIngressi",
                                                  "Ritardo",
                                                  "QuattroCifre",
                                                  "FasceOrarie",
                                                  "Beep",
                                                  "Imparziale",
                                                  "NumeroImparziale",
                                                  "StoricoEsterno",
                                                  "FileVireo",
                                                  "ScattareAdOrario",
                                                  "OraImparziale",
                                                  "TastieraOutput1",
                                                  "TastieraOutput2",
                                                  "AttivaOutput",
                                                  "OrarioIniziale1",
                                                  "OrarioIniziale2",
                                                  "OrarioIniziale3",
                                                  "OrarioFinale1",
                                                  "OrarioFinale2",
                                                  "OrarioFinale3"};
    return keys;
}

bool SettingsFile::apply(Settings& s, const std::string& key, const std::string& raw) {
    if (key == "Indirizzo485") {
        s.Indirizzo485 = hexAddress(raw);
    } else if (key == "CancellaStorico") {
        s.CancellaStorico = siFlag(raw);
    } else if (key == "Seriale") {
        s.Seriale = firstDigit(raw);
    } else if (key == "SchedaL-485") {
        s.SchedaL485 = siFlag(raw);
    } else if (key == "Polling") {
        s.Polling = asLong(raw);
    } else if (key == "MassimoNumeroIngressi") {
        s.MassimoNumeroIngressi = asLong(raw);
    } else if (key == "FlagMassimoNumeroIngressi") {
        s.FlagMassimoNumeroIngressi = siFlag(raw);
    } else if (key == "Ritardo") {
        s.Ritardo = asInteger(raw);
    } else if (key == "QuattroCifre") {
        s.QuattroCifre = siFlag(raw);
    } else if (key == "FasceOrarie") {
        s.FasceOrarie = siFlag(raw);
    } else if (key == "Imparziale") {
        s.Imparziale = noFlag(raw);
    } else if (key == "NumeroImparziale") {
        s.NumeroImparziale = asInteger(raw);
    } else if (key == "StoricoEsterno") {
        s.StoricoEsterno = noFlag(raw);
    } else if (key == "FileVireo") {
        s.FileVireo = upToNul(raw);
    } else if (key == "ScattareAdOrario") {
        s.ScattareAdOrario = noFlag(raw);
    } else if (key == "OraImparziale") {
        s.OraImparziale = timeText(raw);
    } else if (key == "TastieraOutput1") {
        s.TastieraOutput1 = noFlag(raw);
    } else if (key == "TastieraOutput2") {
        s.TastieraOutput2 = noFlag(raw);
    } else if (key == "AttivaOutput") {
        s.AttivaOutput = asInteger(raw);
    } else if (key.size() == 15 && key.compare(0, 14, "OrarioIniziale") == 0 && key[14] >= '1' &&
               key[14] <= '3') {
        s.OrarioIniziale[key[14] - '1'] = timeText(raw);
    } else if (key.size() == 13 && key.compare(0, 12, "OrarioFinale") == 0 && key[12] >= '1' &&
               key[12] <= '3') {
        s.OrarioFinale[key[12] - '1'] = timeText(raw);
    } else if (key == "Utenti") {
        s.Utenti = asLong(raw);
    } else if (key == "Beep") {
        s.Beep = noFlag(raw);
    } else {
        return false;
    }
    return true;
}

void SettingsFile::readInto(Settings& s, bool withUtenti) const {
    // One read of the file: every key comes from the same version of it.
    const auto entries = m_file.section(Section);
    for (const std::string& key : loadOrder()) {
        if (withUtenti || key != "Utenti") {
            apply(s, key, ProfileFile::cut(ProfileFile::lookup(entries, key).value_or(""), 10));
        }
    }
    s.computeBandFlags();
}

Settings SettingsFile::loadAll() const {
    Settings s;
    readInto(s, true);
    return s;
}

void SettingsFile::reloadForDialog(Settings& s) const {
    readInto(s, false);
}

bool SettingsFile::saveAll(Settings& s) const {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%03X", static_cast<unsigned>(s.Indirizzo485) & 0xFFFu);
    std::vector<std::pair<std::string, std::string>> e = {
        {"Indirizzo485", std::string(hex) + "H"},
        {"CancellaStorico", flagText(s.CancellaStorico)},
        {"SchedaL-485", flagText(s.SchedaL485)},
        {"Polling", std::to_string(s.Polling)},
        {"MassimoNumeroIngressi", std::to_string(s.MassimoNumeroIngressi)},
        {"FlagMassimoNumeroIngressi", flagText(s.FlagMassimoNumeroIngressi)},
        {"Ritardo", std::to_string(s.Ritardo)},
        {"QuattroCifre", flagText(s.QuattroCifre)},
        {"FasceOrarie", flagText(s.FasceOrarie)},
        {"Beep", flagText(s.Beep)},
        {"Imparziale", flagText(s.Imparziale)},
        {"NumeroImparziale", std::to_string(s.NumeroImparziale)},
        {"StoricoEsterno", flagText(s.StoricoEsterno)},
        {"FileVireo", s.FileVireo},
        {"ScattareAdOrario", flagText(s.ScattareAdOrario)},
        {"OraImparziale", s.OraImparziale},
        {"TastieraOutput1", flagText(s.TastieraOutput1)},
        {"TastieraOutput2", flagText(s.TastieraOutput2)},
        {"AttivaOutput", std::to_string(s.AttivaOutput)},
    };
    for (int i = 0; i < 3; ++i) {
        e.emplace_back("OrarioIniziale" + std::to_string(i + 1), s.OrarioIniziale[i]);
    }
    for (int i = 0; i < 3; ++i) {
        e.emplace_back("OrarioFinale" + std::to_string(i + 1), s.OrarioFinale[i]);
    }
    const bool ok = m_file.writeAll(Section, e);
    s.computeBandFlags();
    return ok;
}

bool SettingsFile::saveTexts(const std::map<std::string, std::string>& texts, Settings& s) const {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& key : saveOrder()) {
        const auto it = texts.find(key);
        if (it != texts.end()) {
            entries.emplace_back(key, it->second);
        }
    }
    const bool ok = m_file.writeAll(Section, entries);
    // The values take effect as a later load would see them: blanks around the value dropped, then
    // through the 9-character receive buffer.
    for (const auto& [key, text] : entries) {
        apply(s, key, firstChars(trim(text.substr(0, text.find_first_of("\r\n"))), 9));
    }
    s.computeBandFlags();
    return ok;
}

bool SettingsFile::writeKey(const std::string& key, const std::string& value) const {
    return m_file.write(Section, key, value);
}

} // namespace sentinex
