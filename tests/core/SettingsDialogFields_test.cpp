#include "core/SettingsDialogFields.hpp"

#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::TempDir;

TEST(SettingsDialogFieldsTest, AddressIsShownInHexadecimalWithoutLeadingZeros) {
    const std::vector<std::pair<std::int16_t, std::string>> cases = {
        {0, "0H"}, {1, "1H"}, {26, "1AH"}, {0x100, "100H"}, {0x999, "999H"}, {0xFFF, "FFFH"},
    };
    for (const auto& [address, shown] : cases) {
        EXPECT_EQ(SettingsDialogFields::addressText(address), shown) << address;
        Settings s;
        s.Indirizzo485 = address;
        EXPECT_EQ(SettingsDialogFields::fromSettings(s).Indirizzo485, shown) << address;
    }
}

TEST(SettingsDialogFieldsTest, FieldsShowTheSettings) {
    Settings s;
    s.Seriale = 2;
    s.SchedaL485 = true;
    s.Polling = 150;
    s.MassimoNumeroIngressi = 12;
    s.Ritardo = 7;
    s.NumeroImparziale = 3;
    s.AttivaOutput = 2;
    s.Imparziale = false;
    s.OrarioIniziale[1] = "08:00";
    s.OrarioFinale[2] = "##:##";
    s.OraImparziale = "07:30";
    s.FileVireo = "CARTE";
    const SettingsDialogFields f = SettingsDialogFields::fromSettings(s);
    EXPECT_EQ(f.Seriale, 2);
    EXPECT_TRUE(f.SchedaL485);
    EXPECT_EQ(f.Polling, "150");
    EXPECT_EQ(f.MassimoNumeroIngressi, "12");
    EXPECT_EQ(f.Ritardo, "7");
    EXPECT_EQ(f.NumeroImparziale, "3");
    EXPECT_EQ(f.AttivaOutput, "2");
    EXPECT_FALSE(f.Imparziale);
    EXPECT_TRUE(f.Beep); // "No"-flags of a fresh record are on
    EXPECT_EQ(f.OrarioIniziale[1], "08:00");
    EXPECT_EQ(f.OrarioFinale[2], "##:##");
    EXPECT_EQ(f.OraImparziale, "07:30");
    EXPECT_EQ(f.FileVireo, "CARTE");
}

TEST(SettingsDialogFieldsTest, EveryBoxWritesItsOwnKeyAsSiOrNo) {
    const auto saved = SettingsFile::saveOrder();
    SettingsDialogFields f; // every box cleared
    const auto cleared = f.storedTexts();
    EXPECT_EQ(std::set<std::string>(saved.begin(), saved.end()), [&] {
        std::set<std::string> keys;
        for (const auto& [k, v] : cleared) {
            keys.insert(k);
        }
        return keys;
    }());

    const std::vector<std::pair<bool SettingsDialogFields::*, std::string>> boxes = {
        {&SettingsDialogFields::SchedaL485, "SchedaL-485"},
        {&SettingsDialogFields::CancellaStorico, "CancellaStorico"},
        {&SettingsDialogFields::FlagMassimoNumeroIngressi, "FlagMassimoNumeroIngressi"},
        {&SettingsDialogFields::QuattroCifre, "QuattroCifre"},
        {&SettingsDialogFields::FasceOrarie, "FasceOrarie"},
        {&SettingsDialogFields::Beep, "Beep"},
        {&SettingsDialogFields::Imparziale, "Imparziale"},
        {&SettingsDialogFields::StoricoEsterno, "StoricoEsterno"},
        {&SettingsDialogFields::ScattareAdOrario, "ScattareAdOrario"},
        {&SettingsDialogFields::TastieraOutput1, "TastieraOutput1"},
        {&SettingsDialogFields::TastieraOutput2, "TastieraOutput2"},
        {&SettingsDialogFields::RiprendiPolling, "RiprendiPolling"},
    };
    for (const auto& [member, key] : boxes) {
        EXPECT_EQ(cleared.at(key), "No") << key;
        SettingsDialogFields one;
        one.*member = true;
        auto texts = one.storedTexts();
        EXPECT_EQ(texts.at(key), "Si") << key;
        texts[key] = "No";
        EXPECT_EQ(texts, cleared) << key << " changed another key";
    }
}

TEST(SettingsDialogFieldsTest, TypedTextsAreStoredAsTypedAndReloadAsTheSameSettings) {
    TempDir dir;
    const SettingsFile file(dir.file("Sentinex.ini"));
    dir.write("Sentinex.ini", "[Impostazioni]\nSeriale=3\nUtenti=17\n");

    SettingsDialogFields f;
    f.SchedaL485 = true;
    f.Indirizzo485 = "012H";
    f.Polling = "0150";
    f.FlagMassimoNumeroIngressi = true;
    f.MassimoNumeroIngressi = "40";
    f.Ritardo = "5";
    f.QuattroCifre = true;
    f.OrarioIniziale = {"08:00", "##:##", "13:00"};
    f.OrarioFinale = {"12:00", "##:##", "17:30"};
    f.Imparziale = true;
    f.NumeroImparziale = "2";
    f.ScattareAdOrario = true;
    f.OraImparziale = "07:30";
    f.AttivaOutput = "1";
    f.TastieraOutput2 = true;
    f.FileVireo = "CARTE";
    f.RiprendiPolling = true;
    f.CartellaBackup = "/mnt/disco esterno/copie di Sentinex";
    f.OraBackup = "02:30";
    f.CopieBackup = "14";
    const auto texts = f.storedTexts();
    EXPECT_EQ(texts.at("Indirizzo485"), "012H");
    EXPECT_EQ(texts.at("Polling"), "0150");
    EXPECT_EQ(texts.at("OrarioIniziale3"), "13:00");
    EXPECT_EQ(texts.at("OrarioFinale2"), "##:##");

    Settings live;
    ASSERT_TRUE(file.saveTexts(texts, live));
    EXPECT_EQ(live.CartellaBackup, f.CartellaBackup);
    const Settings loaded = file.loadAll();
    EXPECT_EQ(loaded.Indirizzo485, 0x12);
    EXPECT_EQ(loaded.Polling, 150);
    EXPECT_EQ(loaded.MassimoNumeroIngressi, 40);
    EXPECT_TRUE(loaded.QuattroCifre);
    EXPECT_FALSE(loaded.Beep);
    EXPECT_FALSE(loaded.bandDefined[1]);
    EXPECT_TRUE(loaded.bandDefined[2]);
    EXPECT_EQ(loaded.Seriale, 3); // never written by the dialog
    EXPECT_EQ(loaded.Utenti, 17); // idem
    EXPECT_EQ(loaded.FileVireo, "CARTE");
    EXPECT_TRUE(loaded.RiprendiPolling);
    EXPECT_EQ(loaded.CartellaBackup, "/mnt/disco esterno/copie di Sentinex") << "a folder is read whole";
    EXPECT_EQ(loaded.OraBackup, "02:30");
    EXPECT_EQ(loaded.CopieBackup, 14);

    // Shown again from what was saved, every field comes back but the typed leading zeros.
    SettingsDialogFields again = SettingsDialogFields::fromSettings(loaded);
    EXPECT_EQ(again.Polling, "150");
    EXPECT_EQ(again.Indirizzo485, "12H");
    again.Polling = f.Polling;
    again.Indirizzo485 = f.Indirizzo485;
    again.Seriale = 0;
    EXPECT_EQ(again, f);
}

TEST(SettingsDialogFieldsTest, TypedEntryLimitReadsTheFieldAsTheFileWould) {
    const std::vector<std::pair<std::string, std::int64_t>> cases = {
        {"12", 12}, {"", 0}, {"abc", 0}, {"2.5", 2}, {"3.5", 4}, {"99999999999", 2147483647},
    };
    for (const auto& [typed, limit] : cases) {
        SettingsDialogFields f;
        f.MassimoNumeroIngressi = typed;
        EXPECT_EQ(f.typedEntryLimit(), limit) << typed;
    }
}

} // namespace
} // namespace sentinex
