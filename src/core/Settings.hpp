#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

/// The in-memory record of the settings file, one field per key of section "Impostazioni".
struct Settings {
    std::int16_t Indirizzo485 = 0;
    bool CancellaStorico = false;
    std::int16_t Seriale = 0;
    bool SchedaL485 = false; // key "SchedaL-485"
    std::int32_t Polling = 0;
    std::int32_t MassimoNumeroIngressi = 0;
    bool FlagMassimoNumeroIngressi = false;
    std::int16_t Ritardo = 0;
    bool QuattroCifre = false;
    bool FasceOrarie = false;
    bool Imparziale = true;
    std::int16_t NumeroImparziale = 0;
    bool StoricoEsterno = true;
    std::string FileVireo;
    bool ScattareAdOrario = true;
    std::string OraImparziale;
    bool TastieraOutput1 = true;
    bool TastieraOutput2 = true;
    std::int16_t AttivaOutput = 0;
    std::string OrarioIniziale[3];
    std::string OrarioFinale[3];
    std::int32_t Utenti = 0;
    bool Beep = true;
    bool Festivita = false;       // the online bands follow the holiday calendar
    bool Pasquetta = true;        // Easter Monday counts as a closed holiday
    bool RiprendiPolling = false; // a start-up after an unexpected end switches polling back as it was
    std::string CartellaBackup;   // where "Backup" is made; empty: the program folder
    std::string OraBackup;        // time of the daily backup, "HH:MM"; empty: none
    std::int32_t CopieBackup = 7; // daily backups kept

    /// Derived: stand-alone band i (0-based) is defined when neither bound is "##:##".
    bool bandDefined[3] = {true, true, true};
    void computeBandFlags();

    bool operator==(const Settings&) const = default;
};

} // namespace sentinex
