#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace sentinex {

struct Settings;

/// What the settings dialog `FrmProgSetup` holds: its boxes as ticked and its fields as typed, one member
/// per key it edits (named after the key, control in the comment). Plain data, so the validation and
/// the save can be checked without a window.
struct SettingsDialogFields {
    std::int16_t Seriale = 0;                  // Label2, shown only
    bool SchedaL485 = false;                   // Check1
    std::string Indirizzo485;                  // Text1
    bool CancellaStorico = false;              // Check2
    std::string Polling;                       // Text2
    bool FlagMassimoNumeroIngressi = false;    // Check3
    std::string MassimoNumeroIngressi;         // Text3
    std::string Ritardo;                       // Text4
    bool QuattroCifre = false;                 // Option2 selected (Option1 when false)
    bool FasceOrarie = false;                  // Check4
    std::array<std::string, 3> OrarioIniziale; // Text5(0 to 2)
    std::array<std::string, 3> OrarioFinale;   // Text6(0 to 2)
    bool Beep = false;                         // Check5
    bool Imparziale = false;                   // Check6
    std::string NumeroImparziale;              // Text7
    bool StoricoEsterno = false;               // Check7
    bool ScattareAdOrario = false;             // Check8
    std::string OraImparziale;                 // Text9
    std::string AttivaOutput;                  // Text10
    bool TastieraOutput1 = false;              // Check9
    bool TastieraOutput2 = false;              // Check10
    std::string FileVireo;                     // Text8
    bool RiprendiPolling = false;              // Check11
    std::string CartellaBackup;                // Text11
    std::string OraBackup;                     // Text12
    std::string CopieBackup;                   // Text13

    /// The fields as the dialog shows `s`: the address in hexadecimal without leading zeros followed by
    /// "H" (1 shows as "1H"), numbers as decimal text without blanks, times and the file name as they are.
    static SettingsDialogFields fromSettings(const Settings& s);
    /// The text of the address as shown: hexadecimal digits without leading zeros, then "H".
    static std::string addressText(std::int16_t address);

    /// The stored form of every key the dialog saves: "Si"/"No" for the boxes and the option pair, the
    /// field's text as typed for the others. The keys are those of `SettingsFile::saveOrder()`.
    std::map<std::string, std::string> storedTexts() const;

    /// The entry limit as the unsaved "Quanti :" field gives it: the field read as the file's number
    /// conversion would read it after a save (leading number, halves to even, within 32 bits).
    std::int64_t typedEntryLimit() const;

    bool operator==(const SettingsDialogFields&) const = default;
};

} // namespace sentinex
