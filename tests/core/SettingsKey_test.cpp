#include "core/SettingsFile.hpp"
#include "core/SettingsKey.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace sentinex {
namespace {

using testing::TempDir;

const std::vector<std::string> kLoadOrder = {"Indirizzo485",
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
                                             "Beep",
                                             "Festivita",
                                             "Pasquetta",
                                             "RiprendiPolling",
                                             "CartellaBackup",
                                             "OraBackup",
                                             "CopieBackup"};

const std::vector<std::string> kSaveOrder = {"Indirizzo485",
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
                                             "OrarioFinale3",
                                             "RiprendiPolling",
                                             "CartellaBackup",
                                             "OraBackup",
                                             "CopieBackup"};

std::string slotText(bool v) {
    return v ? "true" : "false";
}
std::string slotText(std::int16_t v) {
    return "i16:" + std::to_string(v);
}
std::string slotText(std::int32_t v) {
    return "i32:" + std::to_string(v);
}
std::string slotText(const std::string& v) {
    return '"' + v + '"';
}

/// The value of every stored field of `s`, the band arrays element by element; the derived band flags
/// are left out. The binding names each data member, so a field added to Settings stops this file from
/// compiling until the field has a place here (and then needs a key for the tests below to pass).
std::vector<std::string> storedSlots(const Settings& s) {
    const auto& [indirizzo485, cancellaStorico, seriale, schedaL485, polling, massimoNumeroIngressi,
                 flagMassimoNumeroIngressi, ritardo, quattroCifre, fasceOrarie, imparziale, numeroImparziale,
                 storicoEsterno, fileVireo, scattareAdOrario, oraImparziale, tastieraOutput1, tastieraOutput2,
                 attivaOutput, orarioIniziale, orarioFinale, utenti, beep, festivita, pasquetta,
                 riprendiPolling, cartellaBackup, oraBackup, copieBackup, bandDefined] = s;
    (void)bandDefined;
    std::vector<std::string> out;
    const auto add = [&out](const auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_array_v<Field>) {
            for (const auto& element : field) {
                out.push_back(slotText(element));
            }
        } else {
            out.push_back(slotText(field));
        }
    };
    std::apply([&add](const auto&... field) { (add(field), ...); },
               std::tie(indirizzo485, cancellaStorico, seriale, schedaL485, polling, massimoNumeroIngressi,
                        flagMassimoNumeroIngressi, ritardo, quattroCifre, fasceOrarie, imparziale,
                        numeroImparziale, storicoEsterno, fileVireo, scattareAdOrario, oraImparziale,
                        tastieraOutput1, tastieraOutput2, attivaOutput, orarioIniziale, orarioFinale, utenti,
                        beep, festivita, pasquetta, riprendiPolling, cartellaBackup, oraBackup, copieBackup));
    return out;
}

/// Every stored field away from its absent value, and no two band times alike.
Settings filled() {
    Settings s;
    s.Indirizzo485 = 0x2A5;
    s.CancellaStorico = true;
    s.Seriale = 3;
    s.SchedaL485 = true;
    s.Polling = 150;
    s.MassimoNumeroIngressi = 40;
    s.FlagMassimoNumeroIngressi = true;
    s.Ritardo = 5;
    s.QuattroCifre = true;
    s.FasceOrarie = true;
    s.Imparziale = false;
    s.NumeroImparziale = 2;
    s.StoricoEsterno = false;
    s.FileVireo = "TESSERE";
    s.ScattareAdOrario = false;
    s.OraImparziale = "07:45";
    s.TastieraOutput1 = false;
    s.TastieraOutput2 = false;
    s.AttivaOutput = 2;
    s.OrarioIniziale[0] = "08:00";
    s.OrarioIniziale[1] = "13:00";
    s.OrarioIniziale[2] = "##:##";
    s.OrarioFinale[0] = "12:00";
    s.OrarioFinale[1] = "17:30";
    s.OrarioFinale[2] = "23:15";
    s.Utenti = 12;
    s.Beep = false;
    s.Festivita = true;
    s.Pasquetta = false;
    s.RiprendiPolling = true;
    s.CartellaBackup = "/srv/copie di sicurezza/sentinex";
    s.OraBackup = "02:30";
    s.CopieBackup = 14;
    s.computeBandFlags();
    return s;
}

TEST(SettingsKeys, OrdersOfTheLoadAndOfTheDialogSave) {
    EXPECT_EQ(SettingsFile::loadOrder(), kLoadOrder);
    EXPECT_EQ(SettingsFile::saveOrder(), kSaveOrder);
    std::vector<std::string> rows;
    std::vector<std::string> notReloaded;
    std::vector<std::string> notSaved;
    for (const SettingsKey& k : SettingsFile::keys()) {
        rows.emplace_back(k.name);
        if (!k.reloadedByDialog) {
            notReloaded.emplace_back(k.name);
        }
        if (!k.savedByDialog()) {
            notSaved.emplace_back(k.name);
        }
        ASSERT_EQ(SettingsFile::findKey(k.name), &k) << k.name;
    }
    EXPECT_EQ(rows, kLoadOrder) << "the table lists the keys in the order of a full load";
    EXPECT_EQ(notReloaded, std::vector<std::string>{"Utenti"});
    EXPECT_EQ(notSaved, (std::vector<std::string>{"Seriale", "Utenti", "Festivita", "Pasquetta"}));
    EXPECT_EQ(SettingsFile::findKey("Porta"), nullptr);
    Settings s = filled();
    EXPECT_FALSE(SettingsFile::apply(s, "Porta", "Si"));
    EXPECT_TRUE(s == filled());
}

TEST(SettingsKeys, EveryStoredFieldHasExactlyOneKey) {
    const std::vector<std::string> fresh = storedSlots(Settings{});
    std::vector<int> owners(fresh.size(), 0);
    for (const SettingsKey& k : SettingsFile::keys()) {
        std::set<std::size_t> touched;
        // Between them these texts move every conversion away from its absent value.
        for (const char* probe : {"Si", "No", "7", "07:30", "ABC", "3"}) {
            Settings s;
            ASSERT_TRUE(SettingsFile::apply(s, k.name, probe));
            const std::vector<std::string> after = storedSlots(s);
            for (std::size_t i = 0; i < fresh.size(); ++i) {
                if (after[i] != fresh[i]) {
                    touched.insert(i);
                }
            }
        }
        EXPECT_EQ(touched.size(), 1u) << k.name << " must set one field";
        for (std::size_t i : touched) {
            ++owners[i];
        }
    }
    for (std::size_t i = 0; i < owners.size(); ++i) {
        EXPECT_EQ(owners[i], 1) << "field " << i << " of Settings (" << fresh[i] << ")";
    }
}

TEST(SettingsKeys, AbsentValueIsWhatAMissingKeyAndAFreshRecordHold) {
    const Settings fresh;
    const Settings full = filled();
    const std::vector<std::string> freshSlots = storedSlots(fresh);
    const std::vector<std::string> fullSlots = storedSlots(full);
    for (std::size_t i = 0; i < fullSlots.size(); ++i) {
        ASSERT_NE(fullSlots[i], freshSlots[i]) << "the fixture must move field " << i;
    }
    for (const SettingsKey& k : SettingsFile::keys()) {
        EXPECT_EQ(k.write(fresh), k.absent) << k.name;
        Settings missing = full;
        k.read(missing, "");
        Settings absent = full;
        k.read(absent, k.absent);
        EXPECT_EQ(storedSlots(missing), storedSlots(absent)) << k.name;
        EXPECT_EQ(k.write(missing), k.absent) << k.name;
    }
    TempDir dir;
    EXPECT_TRUE(SettingsFile(dir.file("manca.ini")).loadAll() == fresh);
}

TEST(SettingsKeys, StoredFormReadsBackAsTheSameValue) {
    const Settings full = filled();
    for (const SettingsKey& k : SettingsFile::keys()) {
        const std::string stored = k.write(full);
        EXPECT_LE(stored.size(), k.width - 1) << k.name << ": the receive buffer would cut it";
        Settings back = full;
        k.read(back, k.absent);
        k.read(back, stored);
        EXPECT_EQ(storedSlots(back), storedSlots(full)) << k.name << " stored as \"" << stored << '"';
    }

    // Through the file: the dialog's keys come back as saved, the others keep the file's values.
    TempDir dir;
    dir.write("Sentinex.ini", "[Impostazioni]\r\nSeriale=4\r\nUtenti=11\r\n");
    const SettingsFile file(dir.file("Sentinex.ini"));
    Settings saved = full;
    ASSERT_TRUE(file.saveAll(saved));
    Settings expected = full;
    expected.Seriale = 4;
    expected.Utenti = 11;
    // The holidays form's switches are not the dialog's: the file lacks them, so they read as absent.
    expected.Festivita = false;
    expected.Pasquetta = true;
    const Settings back = file.loadAll();
    EXPECT_EQ(storedSlots(back), storedSlots(expected));
    EXPECT_TRUE(back == expected) << "band flags included";
}

TEST(SettingsKeys, SaveWritesTheDialogKeysInTheirOrderAndNothingElse) {
    TempDir dir;
    const SettingsFile file(dir.file("Sentinex.ini"));
    Settings s = filled();
    ASSERT_TRUE(file.saveAll(s));
    const std::string text = TempDir::read(dir.file("Sentinex.ini"));
    std::vector<std::string> written;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(at, end - at);
        if (const std::size_t eq = line.find('='); eq != std::string::npos) {
            written.push_back(line.substr(0, eq));
        }
        at = end + 2;
    }
    EXPECT_EQ(written, kSaveOrder);
}

TEST(SettingsKeys, DialogReloadReadsEveryKeyButThePresenceCounter) {
    TempDir dir;
    dir.write("Sentinex.ini", "[Impostazioni]\r\nSeriale=3\r\nUtenti=12\r\n");
    const SettingsFile file(dir.file("Sentinex.ini"));
    Settings toSave = filled();
    ASSERT_TRUE(file.saveAll(toSave));
    Settings s;
    s.Utenti = 5;
    file.reloadForDialog(s);
    Settings expected = filled();
    expected.Utenti = 5;
    expected.Festivita = false; // not written by the dialog's save: absent in the file
    expected.Pasquetta = true;
    EXPECT_EQ(storedSlots(s), storedSlots(expected));
    EXPECT_TRUE(s == expected) << "band flags included";
}

TEST(SettingsKeys, EachKeyConvertsAsItsConversionSays) {
    // Read a text into the key's field, write the field back: the stored form shows the conversion.
    using C = SettingsKey::Conversion;
    const struct {
        C conversion;
        const char* raw;
        const char* stored;
    } cases[] = {
        {C::SiFlag, "Si", "Si"},
        {C::SiFlag, "SI", "No"},
        {C::SiFlag, "no", "No"},
        {C::YesFlag, "SI", "Si"},
        {C::YesFlag, "Si", "Si"},
        {C::YesFlag, "si", "No"},
        {C::YesFlag, "NO", "No"},
        {C::NoFlag, "NO", "No"},
        {C::NoFlag, "no", "Si"},
        {C::NoFlag, "Si", "Si"},
        {C::Number, " 7.5xy", "8"},
        {C::Number, "2.5", "2"},
        {C::Number, "-12", "-12"},
        {C::HexAddress, "01AH", "01AH"},
        {C::HexAddress, "01aH", "001H"},
        {C::HexAddress, "7", "007H"},
        {C::FirstDigit, "12", "1"},
        {C::FirstDigit, "x2", "0"},
        {C::Time, "08:30:15", "08:30"},
        {C::Time, "##:##", "##:##"},
        {C::Text, "AB:CD1234", "AB:CD1234"},
        {C::Count, "3", "3"},
        {C::Count, "", "7"},
        {C::Count, "0", "7"},
        {C::Count, "x", "7"},
    };
    std::set<C> used;
    for (const SettingsKey& k : SettingsFile::keys()) {
        used.insert(k.conversion);
        for (const auto& c : cases) {
            if (c.conversion == k.conversion) {
                Settings s = filled();
                k.read(s, c.raw);
                EXPECT_EQ(k.write(s), c.stored) << k.name << " reading \"" << c.raw << '"';
            }
        }
    }
    EXPECT_EQ(used.size(), 9u) << "every conversion has a key";
}

} // namespace
} // namespace sentinex
