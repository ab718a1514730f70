#include "SettingsFile.hpp"

#include "Numbers.hpp"
#include "TextCodec.hpp"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <type_traits>
#include <utility>
#include <vector>

namespace sentinex {

namespace {

constexpr char BackupCopiesDefault[] = "7";

std::string flagText(bool b) {
    return b ? "Si" : "No";
}

// Where a key's value lives in `Settings`: a plain field, or one element of the band arrays.
template <auto Member> struct Field {
    static auto& of(Settings& s) { return s.*Member; }
    static const auto& of(const Settings& s) { return s.*Member; }
};
template <auto Member, int Index> struct BandField {
    static std::string& of(Settings& s) { return (s.*Member)[Index]; }
    static const std::string& of(const Settings& s) { return (s.*Member)[Index]; }
};

// The conversions, each with the value a missing key yields and the form it is stored in.
template <class F> struct SiFlagRule {
    static constexpr auto conversion = SettingsKey::Conversion::SiFlag;
    static constexpr const char* absent = "No";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::siFlag(v); }
    static std::string write(const Settings& s) { return flagText(F::of(s)); }
};
template <class F> struct NoFlagRule {
    static constexpr auto conversion = SettingsKey::Conversion::NoFlag;
    static constexpr const char* absent = "Si";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::noFlag(v); }
    static std::string write(const Settings& s) { return flagText(F::of(s)); }
};
template <class F> struct YesFlagRule {
    static constexpr auto conversion = SettingsKey::Conversion::YesFlag;
    static constexpr const char* absent = "No";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::yesFlag(v); }
    static std::string write(const Settings& s) { return flagText(F::of(s)); }
};
template <class F> struct NumberRule {
    using Value = std::remove_cvref_t<decltype(F::of(std::declval<Settings&>()))>;
    static constexpr auto conversion = SettingsKey::Conversion::Number;
    static constexpr const char* absent = "0";
    static void read(Settings& s, const std::string& v) {
        F::of(s) = static_cast<Value>(
            SettingsFile::number(v, std::numeric_limits<Value>::min(), std::numeric_limits<Value>::max()));
    }
    static std::string write(const Settings& s) { return std::to_string(F::of(s)); }
};
template <class F> struct HexAddressRule {
    static constexpr auto conversion = SettingsKey::Conversion::HexAddress;
    static constexpr const char* absent = "000H";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::hexAddress(v); }
    static std::string write(const Settings& s) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%03X", static_cast<unsigned>(F::of(s)) & 0xFFFu);
        return std::string(hex) + "H";
    }
};
template <class F> struct FirstDigitRule {
    static constexpr auto conversion = SettingsKey::Conversion::FirstDigit;
    static constexpr const char* absent = "0";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::firstDigit(v); }
    static std::string write(const Settings& s) { return std::to_string(F::of(s)); }
};
template <class F> struct TimeRule {
    static constexpr auto conversion = SettingsKey::Conversion::Time;
    static constexpr const char* absent = "";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::timeText(v); }
    static std::string write(const Settings& s) { return F::of(s); }
};
template <class F> struct TextRule {
    static constexpr auto conversion = SettingsKey::Conversion::Text;
    static constexpr const char* absent = "";
    static void read(Settings& s, const std::string& v) { F::of(s) = SettingsFile::upToNul(v); }
    static std::string write(const Settings& s) { return F::of(s); }
};

// A count of at least one (copies kept); a text without such a number gives the default, `Absent`.
template <class F, std::int32_t Default, const char* Absent> struct CountRule {
    static constexpr auto conversion = SettingsKey::Conversion::Count;
    static constexpr const char* absent = Absent;
    static void read(Settings& s, const std::string& v) {
        const std::int64_t n = SettingsFile::number(v, 0, 9999);
        F::of(s) = static_cast<std::int32_t>(n >= 1 ? n : Default);
    }
    static std::string write(const Settings& s) { return std::to_string(F::of(s)); }
};

template <class Rule>
SettingsKey key(const char* name, int savePlace, bool reloadedByDialog = true, std::size_t width = 10) {
    return {name,         Rule::conversion, Rule::absent,     &Rule::read,
            &Rule::write, savePlace,        reloadedByDialog, width};
}

/// The keys the dialog writes, in the order it writes them.
const std::vector<const SettingsKey*>& savedKeys() {
    static const std::vector<const SettingsKey*> saved = [] {
        std::vector<const SettingsKey*> v;
        for (const SettingsKey& k : SettingsFile::keys()) {
            if (k.savedByDialog()) {
                v.push_back(&k);
            }
        }
        std::stable_sort(v.begin(), v.end(), [](const SettingsKey* a, const SettingsKey* b) {
            return a->savePlace < b->savePlace;
        });
        return v;
    }();
    return saved;
}

} // namespace

bool SettingsFile::siFlag(const std::string& v) {
    return v.compare(0, 2, "Si") == 0 && v.size() >= 2;
}

bool SettingsFile::yesFlag(const std::string& v) {
    const std::string two = v.substr(0, 2);
    return two == "Si" || two == "SI";
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
    return firstCharacters(v, 5);
}

std::string SettingsFile::upToNul(const std::string& v) {
    return v.substr(0, v.find('\0'));
}

std::string SettingsFile::readRaw(const std::string& key) const {
    return m_file.read(Section, key, "", 10);
}

const std::vector<SettingsKey>& SettingsFile::keys() {
    using S = Settings;
    constexpr int NotSaved = SettingsKey::NotSaved;
    // Rows in the order of a full load; the number is the place in the dialog's save, which puts
    // "Beep" after "FasceOrarie" and leaves out the keys it does not edit.
    static const std::vector<SettingsKey> table = {
        key<HexAddressRule<Field<&S::Indirizzo485>>>("Indirizzo485", 0),
        key<SiFlagRule<Field<&S::CancellaStorico>>>("CancellaStorico", 1),
        key<FirstDigitRule<Field<&S::Seriale>>>("Seriale", NotSaved),
        key<SiFlagRule<Field<&S::SchedaL485>>>("SchedaL-485", 2),
        key<NumberRule<Field<&S::Polling>>>("Polling", 3),
        key<NumberRule<Field<&S::MassimoNumeroIngressi>>>("MassimoNumeroIngressi", 4),
        key<SiFlagRule<Field<&S::FlagMassimoNumeroIngressi>>>("FlagMassimoNumeroIngressi", 5),
        key<NumberRule<Field<&S::Ritardo>>>("Ritardo", 6),
        key<SiFlagRule<Field<&S::QuattroCifre>>>("QuattroCifre", 7),
        key<SiFlagRule<Field<&S::FasceOrarie>>>("FasceOrarie", 8),
        key<NoFlagRule<Field<&S::Imparziale>>>("Imparziale", 10),
        key<NumberRule<Field<&S::NumeroImparziale>>>("NumeroImparziale", 11),
        key<NoFlagRule<Field<&S::StoricoEsterno>>>("StoricoEsterno", 12),
        key<TextRule<Field<&S::FileVireo>>>("FileVireo", 13),
        key<NoFlagRule<Field<&S::ScattareAdOrario>>>("ScattareAdOrario", 14),
        key<TimeRule<Field<&S::OraImparziale>>>("OraImparziale", 15),
        key<NoFlagRule<Field<&S::TastieraOutput1>>>("TastieraOutput1", 16),
        key<NoFlagRule<Field<&S::TastieraOutput2>>>("TastieraOutput2", 17),
        key<NumberRule<Field<&S::AttivaOutput>>>("AttivaOutput", 18),
        key<TimeRule<BandField<&S::OrarioIniziale, 0>>>("OrarioIniziale1", 19),
        key<TimeRule<BandField<&S::OrarioIniziale, 1>>>("OrarioIniziale2", 20),
        key<TimeRule<BandField<&S::OrarioIniziale, 2>>>("OrarioIniziale3", 21),
        key<TimeRule<BandField<&S::OrarioFinale, 0>>>("OrarioFinale1", 22),
        key<TimeRule<BandField<&S::OrarioFinale, 1>>>("OrarioFinale2", 23),
        key<TimeRule<BandField<&S::OrarioFinale, 2>>>("OrarioFinale3", 24),
        // The presence counter changes while the program runs; a dialog opening must not rewind it.
        key<NumberRule<Field<&S::Utenti>>>("Utenti", NotSaved, false),
        key<NoFlagRule<Field<&S::Beep>>>("Beep", 9),
        // The holiday calendar's switches belong to the holidays form, which writes them on its own.
        key<YesFlagRule<Field<&S::Festivita>>>("Festivita", NotSaved),
        key<NoFlagRule<Field<&S::Pasquetta>>>("Pasquetta", NotSaved),
        // Off unless set: a program that resumes the doors by itself is a choice of the installation.
        key<YesFlagRule<Field<&S::RiprendiPolling>>>("RiprendiPolling", 25),
        // The backups' keys: a folder is longer than the system's nine characters.
        key<TextRule<Field<&S::CartellaBackup>>>("CartellaBackup", 26, true, 261),
        key<TimeRule<Field<&S::OraBackup>>>("OraBackup", 27),
        key<CountRule<Field<&S::CopieBackup>, 7, BackupCopiesDefault>>("CopieBackup", 28),
    };
    return table;
}

const SettingsKey* SettingsFile::findKey(const std::string& name) {
    for (const SettingsKey& k : keys()) {
        if (name == k.name) {
            return &k;
        }
    }
    return nullptr;
}

const std::vector<std::string>& SettingsFile::loadOrder() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const SettingsKey& k : keys()) {
            v.emplace_back(k.name);
        }
        return v;
    }();
    return names;
}

const std::vector<std::string>& SettingsFile::saveOrder() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const SettingsKey* k : savedKeys()) {
            v.emplace_back(k->name);
        }
        return v;
    }();
    return names;
}

bool SettingsFile::apply(Settings& s, const std::string& key, const std::string& raw) {
    const SettingsKey* k = findKey(key);
    if (k == nullptr) {
        return false;
    }
    k->read(s, raw);
    return true;
}

void SettingsFile::readInto(Settings& s, bool forDialog) const {
    // One read of the file: every key comes from the same version of it.
    const auto entries = m_file.section(Section);
    for (const SettingsKey& k : keys()) {
        if (!forDialog || k.reloadedByDialog) {
            k.read(s, ProfileFile::cut(ProfileFile::lookup(entries, k.name).value_or(""), k.width));
        }
    }
    s.computeBandFlags();
}

Settings SettingsFile::loadAll() const {
    Settings s;
    readInto(s, false);
    return s;
}

void SettingsFile::reloadForDialog(Settings& s) const {
    readInto(s, true);
}

bool SettingsFile::saveAll(Settings& s) const {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const SettingsKey* k : savedKeys()) {
        entries.emplace_back(k->name, k->write(s));
    }
    const bool ok = m_file.writeAll(Section, entries);
    s.computeBandFlags();
    return ok;
}

bool SettingsFile::saveTexts(const std::map<std::string, std::string>& texts, Settings& s) const {
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<const SettingsKey*> written;
    for (const SettingsKey* k : savedKeys()) {
        const auto it = texts.find(k->name);
        if (it != texts.end()) {
            entries.emplace_back(k->name, it->second);
            written.push_back(k);
        }
    }
    if (!m_file.writeAll(Section, entries)) {
        return false;
    }
    // The values take effect as a later load would see them: blanks around the value dropped, then
    // through the 9-character receive buffer.
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string& text = entries[i].second;
        written[i]->read(
            s, firstCharacters(trim(text.substr(0, text.find_first_of("\r\n"))), written[i]->width - 1));
    }
    s.computeBandFlags();
    return true;
}

bool SettingsFile::writeKey(const std::string& key, const std::string& value) const {
    return m_file.write(Section, key, value);
}

} // namespace sentinex
