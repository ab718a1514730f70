#include "core/SettingsFile.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::TempDir;

TEST(SettingsConversions, Flags) {
    const struct {
        const char* v;
        bool si;
        bool no;
    } cases[] = {
        {"Si", true, true},  {"Sii", true, true}, {"SI", false, true},    {"si", false, true},
        {"S", false, true},  {"", false, true},   {"No", false, false},   {"NO", false, false},
        {"no", false, true}, {"nO", false, true}, {"Nope", false, false}, {" No", false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SettingsFile::siFlag(c.v), c.si) << '"' << c.v << '"';
        EXPECT_EQ(SettingsFile::noFlag(c.v), c.no) << '"' << c.v << '"';
    }
}

TEST(SettingsConversions, NumbersAddressesAndTexts) {
    EXPECT_EQ(SettingsFile::hexAddress("01AH"), 26);
    EXPECT_EQ(SettingsFile::hexAddress("1H"), 1);
    EXPECT_EQ(SettingsFile::hexAddress("300H"), 768);
    EXPECT_EQ(SettingsFile::hexAddress("FFFF"), 4095);
    EXPECT_EQ(SettingsFile::hexAddress("H12"), 0);
    EXPECT_EQ(SettingsFile::hexAddress(""), 0);
    EXPECT_EQ(SettingsFile::firstDigit("12"), 1);
    EXPECT_EQ(SettingsFile::firstDigit("x2"), 0);
    EXPECT_EQ(SettingsFile::firstDigit(""), 0);
    EXPECT_EQ(SettingsFile::number("2.5", -32768, 32767), 2);
    EXPECT_EQ(SettingsFile::number("3.5", -32768, 32767), 4);
    EXPECT_EQ(SettingsFile::number("  12abc", -32768, 32767), 12);
    EXPECT_EQ(SettingsFile::number("99999", -32768, 32767), 32767);
    EXPECT_EQ(SettingsFile::number("-99999", -32768, 32767), -32768);
    EXPECT_EQ(SettingsFile::timeText("08:30:15"), "08:30");
    EXPECT_EQ(SettingsFile::timeText("8:3"), "8:3");
    EXPECT_EQ(SettingsFile::upToNul(std::string("abc\0def", 7)), "abc");
}

TEST(SettingsConversions, AddressReadsCapitalHexDigitsOnly) {
    // Lower-case letters are not hexadecimal digits here: they end the number like the "H" suffix does.
    const struct {
        const char* v;
        int expected;
    } cases[] = {
        {"01aH", 1}, {"01AH", 26}, {"300", 768},  {"1H", 1},     {"", 0},     {"H", 0},
        {"a00H", 0}, {"0f0H", 0},  {"ABC", 2748}, {"FFF", 4095}, {"0G1H", 0}, {"1234", 291},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SettingsFile::hexAddress(c.v), c.expected) << '"' << c.v << '"';
    }
}

class SettingsFileTest : public ::testing::Test {
protected:
    TempDir dir;
    SettingsFile file{dir.file("Sentinex.ini")};
    Settings load(const std::string& body) {
        dir.write("Sentinex.ini", "[Impostazioni]\r\n" + body);
        return file.loadAll();
    }
};

TEST_F(SettingsFileTest, MissingFileGivesEveryAbsentValue) {
    const Settings s = SettingsFile(dir.file("manca.ini")).loadAll();
    EXPECT_EQ(s.Indirizzo485, 0);
    EXPECT_FALSE(s.CancellaStorico);
    EXPECT_EQ(s.Seriale, 0);
    EXPECT_FALSE(s.SchedaL485);
    EXPECT_EQ(s.Polling, 0);
    EXPECT_FALSE(s.QuattroCifre);
    EXPECT_TRUE(s.Imparziale);
    EXPECT_TRUE(s.StoricoEsterno);
    EXPECT_TRUE(s.ScattareAdOrario);
    EXPECT_TRUE(s.TastieraOutput1);
    EXPECT_TRUE(s.TastieraOutput2);
    EXPECT_TRUE(s.Beep);
    EXPECT_EQ(s.FileVireo, "");
    EXPECT_EQ(s.OrarioIniziale[1], "");
    EXPECT_EQ(s.Utenti, 0);
    // An empty time is not the unset mark, so every band counts as defined.
    EXPECT_TRUE(s.bandDefined[0] && s.bandDefined[1] && s.bandDefined[2]);
}

TEST_F(SettingsFileTest, EachKeyGoesThroughItsConversion) {
    const Settings s =
        load("Indirizzo485=01AH\r\nCancellaStorico=Si\r\nSeriale=12\r\nSchedaL-485=SI\r\n"
             "Polling=1234567890\r\nMassimoNumeroIngressi=7.5\r\nFlagMassimoNumeroIngressi=Si\r\n"
             "Ritardo=99999\r\nQuattroCifre=SI\r\nFasceOrarie=Si\r\nImparziale=no\r\n"
             "NumeroImparziale=3\r\nStoricoEsterno=NO\r\nFileVireo=CARTEABCDEFG\r\n"
             "ScattareAdOrario=No\r\nOraImparziale=07:30xyz\r\nTastieraOutput1=No\r\n"
             "TastieraOutput2=Si\r\nAttivaOutput=2\r\nOrarioIniziale1=08:00\r\n"
             "OrarioFinale1=##:##\r\nOrarioIniziale3=10:00\r\nOrarioFinale3=12:00\r\n"
             "Utenti=-4\r\nBeep=No\r\n");
    EXPECT_EQ(s.Indirizzo485, 26);
    EXPECT_TRUE(s.CancellaStorico);
    EXPECT_EQ(s.Seriale, 1);
    EXPECT_FALSE(s.SchedaL485);
    EXPECT_EQ(s.Polling, 123456789); // nine characters seen
    EXPECT_EQ(s.MassimoNumeroIngressi, 8);
    EXPECT_TRUE(s.FlagMassimoNumeroIngressi);
    EXPECT_EQ(s.Ritardo, 32767); // clamped to the 16-bit field
    EXPECT_FALSE(s.QuattroCifre);
    EXPECT_TRUE(s.FasceOrarie);
    EXPECT_TRUE(s.Imparziale);
    EXPECT_EQ(s.NumeroImparziale, 3);
    EXPECT_FALSE(s.StoricoEsterno);
    EXPECT_EQ(s.FileVireo, "CARTEABCD");
    EXPECT_FALSE(s.ScattareAdOrario);
    EXPECT_EQ(s.OraImparziale, "07:30");
    EXPECT_FALSE(s.TastieraOutput1);
    EXPECT_TRUE(s.TastieraOutput2);
    EXPECT_EQ(s.AttivaOutput, 2);
    EXPECT_EQ(s.Utenti, -4);
    EXPECT_FALSE(s.Beep);
    EXPECT_FALSE(s.bandDefined[0]);
    EXPECT_TRUE(s.bandDefined[1]);
    EXPECT_TRUE(s.bandDefined[2]);
}

TEST_F(SettingsFileTest, AddressFromTheFileStopsAtALowerCaseLetter) {
    EXPECT_EQ(load("Indirizzo485=01aH\r\n").Indirizzo485, 1);
    EXPECT_EQ(load("Indirizzo485=01AH\r\n").Indirizzo485, 26);
    EXPECT_EQ(load("Indirizzo485=  0aFH  \r\n").Indirizzo485, 0) << "blanks around the value are dropped";
}

TEST_F(SettingsFileTest, ReloadForTheDialogLeavesThePresenceCounter) {
    Settings s = load("Utenti=9\r\nPolling=50\r\n");
    s.Utenti = 4;
    dir.write("Sentinex.ini", "[Impostazioni]\r\nUtenti=12\r\nPolling=70\r\n");
    file.reloadForDialog(s);
    EXPECT_EQ(s.Utenti, 4);
    EXPECT_EQ(s.Polling, 70);
}

TEST_F(SettingsFileTest, SaveWritesTheStoredFormsAndKeepsOtherKeys) {
    dir.write("Sentinex.ini",
              "[Impostazioni]\r\nSeriale=2\r\nUtenti=7\r\nPolling=1\r\n[Porte]\r\nCOM2=/dev/pts/3\r\n");
    Settings s;
    s.Indirizzo485 = 768;
    s.Polling = 100;
    s.QuattroCifre = true;
    s.Imparziale = false;
    s.FileVireo = "VIREO1";
    s.OrarioIniziale[0] = "08:00";
    s.OrarioFinale[0] = "##:##";
    s.OrarioIniziale[1] = "09:00";
    s.OrarioFinale[1] = "10:00";
    s.OrarioIniziale[2] = "##:##";
    s.OrarioFinale[2] = "##:##";
    s.OraImparziale = "07:00";
    ASSERT_TRUE(file.saveAll(s));
    EXPECT_FALSE(s.bandDefined[0]);
    EXPECT_TRUE(s.bandDefined[1]);
    const std::string text = TempDir::read(dir.file("Sentinex.ini"));
    EXPECT_NE(text.find("Indirizzo485=300H\r\n"), std::string::npos);
    EXPECT_NE(text.find("Polling=100\r\n"), std::string::npos);
    EXPECT_NE(text.find("QuattroCifre=Si\r\n"), std::string::npos);
    EXPECT_NE(text.find("Imparziale=No\r\n"), std::string::npos);
    EXPECT_NE(text.find("FileVireo=VIREO1\r\n"), std::string::npos);
    EXPECT_NE(text.find("COM2=/dev/pts/3\r\n"), std::string::npos);
    // Keys the dialog does not own keep their values; the new keys follow in the save order.
    EXPECT_LT(text.find("CancellaStorico="), text.find("SchedaL-485="));
    EXPECT_LT(text.find("Beep="), text.find("Imparziale="));
    EXPECT_LT(text.find("OrarioFinale3="), text.find("[Porte]"));
    const Settings back = file.loadAll();
    EXPECT_EQ(back.Seriale, 2);
    EXPECT_EQ(back.Utenti, 7);
    EXPECT_EQ(back.Indirizzo485, 768);
    EXPECT_EQ(back.Polling, 100);
    EXPECT_TRUE(back.QuattroCifre);
    EXPECT_FALSE(back.Imparziale);
    EXPECT_EQ(back.FileVireo, "VIREO1");
    EXPECT_EQ(back.OraImparziale, "07:00");
    EXPECT_FALSE(back.bandDefined[0]);
    EXPECT_TRUE(back.bandDefined[1]);
    EXPECT_FALSE(back.bandDefined[2]);
}

TEST_F(SettingsFileTest, DialogSaveWritesTheTypedTextsInOrder) {
    dir.write("Sentinex.ini", "[Impostazioni]\r\nSeriale=3\r\nUtenti=7\r\n");
    std::map<std::string, std::string> typed;
    for (const std::string& key : SettingsFile::saveOrder()) {
        typed[key] = "No";
    }
    typed["Indirizzo485"] = "01AH";
    typed["Polling"] = "0150";
    typed["Ritardo"] = "123456789012";
    typed["FileVireo"] = "TESSERE";
    typed["OrarioIniziale2"] = "08:00";
    typed["OrarioFinale2"] = "##:##";
    typed["Utenti"] = "99"; // not the dialog's key: ignored
    Settings s;
    s.Utenti = 7;
    ASSERT_TRUE(file.saveTexts(typed, s));
    EXPECT_EQ(s.Indirizzo485, 26);
    EXPECT_EQ(s.Polling, 150);
    EXPECT_EQ(s.Ritardo, 32767);
    EXPECT_EQ(s.FileVireo, "TESSERE");
    EXPECT_FALSE(s.Beep);
    EXPECT_FALSE(s.bandDefined[1]);
    EXPECT_EQ(s.Utenti, 7);

    const std::string text = TempDir::read(dir.file("Sentinex.ini"));
    EXPECT_NE(text.find("Polling=0150\r\n"), std::string::npos) << "stored as typed";
    EXPECT_NE(text.find("Utenti=7\r\n"), std::string::npos);
    std::size_t last = 0;
    for (const std::string& key : SettingsFile::saveOrder()) {
        const std::size_t at = text.find("\n" + key + "=");
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key << " out of order";
        last = at;
    }
    // What the dialog saved is what a fresh load sees.
    const Settings back = file.loadAll();
    EXPECT_EQ(back.Indirizzo485, s.Indirizzo485);
    EXPECT_EQ(back.Polling, s.Polling);
    EXPECT_EQ(back.Ritardo, s.Ritardo);
    EXPECT_EQ(back.Seriale, 3);
    EXPECT_EQ(back.bandDefined[1], s.bandDefined[1]);
}

TEST_F(SettingsFileTest, DialogSaveTakesTypedTextsAsALaterLoadSeesThem) {
    // The file keeps the blanks typed around a value, but a load never sees them: the session must not
    // work with a card file name or a time that the next start of the program would read differently.
    const struct {
        const char* key;
        const char* typed;
    } cases[] = {{"FileVireo", "  CARTE "},
                 {"OraImparziale", " 07:30"},
                 {"OrarioIniziale1", "\t08:00  "},
                 {"OrarioFinale1", " ##:##"},
                 {"Polling", " 150 "}};
    std::map<std::string, std::string> typed;
    for (const auto& c : cases) {
        typed[c.key] = c.typed;
    }
    Settings s;
    ASSERT_TRUE(file.saveTexts(typed, s));
    const Settings back = file.loadAll();
    EXPECT_EQ(s.FileVireo, back.FileVireo);
    EXPECT_EQ(s.FileVireo, "CARTE");
    EXPECT_EQ(s.OraImparziale, back.OraImparziale);
    EXPECT_EQ(s.OrarioIniziale[0], back.OrarioIniziale[0]);
    EXPECT_EQ(s.OrarioFinale[0], back.OrarioFinale[0]);
    EXPECT_EQ(s.bandDefined[0], back.bandDefined[0]);
    EXPECT_FALSE(s.bandDefined[0]);
    EXPECT_EQ(s.Polling, back.Polling);
}

TEST_F(SettingsFileTest, PresenceCounterIsWrittenAlone) {
    dir.write("Sentinex.ini", "[Impostazioni]\r\nUtenti=7\r\nBeep=No\r\n");
    ASSERT_TRUE(file.writeUtenti(8));
    EXPECT_EQ(TempDir::read(dir.file("Sentinex.ini")), "[Impostazioni]\r\nUtenti=8\r\nBeep=No\r\n");
    EXPECT_EQ(file.loadAll().Utenti, 8);
    EXPECT_FALSE(SettingsFile(dir.file("manca/Sentinex.ini")).writeUtenti(1));
}

} // namespace
} // namespace sentinex
