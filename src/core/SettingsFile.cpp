#include "SettingsFile.hpp"

#include "Numbers.hpp"

#include <cstdio>
#include <limits>
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

void SettingsFile::readInto(Settings& s, bool withUtenti) const {
    s.Indirizzo485 = hexAddress(readRaw("Indirizzo485"));
    s.CancellaStorico = siFlag(readRaw("CancellaStorico"));
    s.Seriale = firstDigit(readRaw("Seriale"));
    s.SchedaL485 = siFlag(readRaw("SchedaL-485"));
    s.Polling = asLong(readRaw("Polling"));
    s.MassimoNumeroIngressi = asLong(readRaw("MassimoNumeroIngressi"));
    s.FlagMassimoNumeroIngressi = siFlag(readRaw("FlagMassimoNumeroIngressi"));
    s.Ritardo = asInteger(readRaw("Ritardo"));
    s.QuattroCifre = siFlag(readRaw("QuattroCifre"));
    s.FasceOrarie = siFlag(readRaw("FasceOrarie"));
    s.Imparziale = noFlag(readRaw("Imparziale"));
    s.NumeroImparziale = asInteger(readRaw("NumeroImparziale"));
    s.StoricoEsterno = noFlag(readRaw("StoricoEsterno"));
    s.FileVireo = upToNul(readRaw("FileVireo"));
    s.ScattareAdOrario = noFlag(readRaw("ScattareAdOrario"));
    s.OraImparziale = timeText(readRaw("OraImparziale"));
    s.TastieraOutput1 = noFlag(readRaw("TastieraOutput1"));
    s.TastieraOutput2 = noFlag(readRaw("TastieraOutput2"));
    s.AttivaOutput = asInteger(readRaw("AttivaOutput"));
    for (int i = 0; i < 3; ++i) {
        s.OrarioIniziale[i] = timeText(readRaw("OrarioIniziale" + std::to_string(i + 1)));
    }
    for (int i = 0; i < 3; ++i) {
        s.OrarioFinale[i] = timeText(readRaw("OrarioFinale" + std::to_string(i + 1)));
    }
    if (withUtenti) {
        s.Utenti = asLong(readRaw("Utenti"));
    }
    s.Beep = noFlag(readRaw("Beep"));
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

bool SettingsFile::writeKey(const std::string& key, const std::string& value) const {
    return m_file.write(Section, key, value);
}

} // namespace sentinex
