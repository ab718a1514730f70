#include "SettingsDialogFields.hpp"

#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"

#include <cstdint>
#include <cstdio>
#include <limits>

namespace sentinex {

namespace {

std::string flagText(bool b) {
    return b ? "Si" : "No";
}

} // namespace

std::string SettingsDialogFields::addressText(std::int16_t address) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(static_cast<std::uint16_t>(address)));
    return std::string(hex) + "H";
}

SettingsDialogFields SettingsDialogFields::fromSettings(const Settings& s) {
    SettingsDialogFields f;
    f.Seriale = s.Seriale;
    f.SchedaL485 = s.SchedaL485;
    f.Indirizzo485 = addressText(s.Indirizzo485);
    f.CancellaStorico = s.CancellaStorico;
    f.Polling = std::to_string(s.Polling);
    f.FlagMassimoNumeroIngressi = s.FlagMassimoNumeroIngressi;
    f.MassimoNumeroIngressi = std::to_string(s.MassimoNumeroIngressi);
    f.Ritardo = std::to_string(s.Ritardo);
    f.QuattroCifre = s.QuattroCifre;
    f.FasceOrarie = s.FasceOrarie;
    for (std::size_t i = 0; i < 3; ++i) {
        f.OrarioIniziale[i] = s.OrarioIniziale[i];
        f.OrarioFinale[i] = s.OrarioFinale[i];
    }
    f.Beep = s.Beep;
    f.Imparziale = s.Imparziale;
    f.NumeroImparziale = std::to_string(s.NumeroImparziale);
    f.StoricoEsterno = s.StoricoEsterno;
    f.ScattareAdOrario = s.ScattareAdOrario;
    f.OraImparziale = s.OraImparziale;
    f.AttivaOutput = std::to_string(s.AttivaOutput);
    f.TastieraOutput1 = s.TastieraOutput1;
    f.TastieraOutput2 = s.TastieraOutput2;
    f.FileVireo = s.FileVireo;
    f.RiprendiPolling = s.RiprendiPolling;
    f.CartellaBackup = s.CartellaBackup;
    f.OraBackup = s.OraBackup;
    f.CopieBackup = std::to_string(s.CopieBackup);
    return f;
}

std::map<std::string, std::string> SettingsDialogFields::storedTexts() const {
    std::map<std::string, std::string> t = {
        {"Indirizzo485", Indirizzo485},
        {"CancellaStorico", flagText(CancellaStorico)},
        {"SchedaL-485", flagText(SchedaL485)},
        {"Polling", Polling},
        {"MassimoNumeroIngressi", MassimoNumeroIngressi},
        {"FlagMassimoNumeroIngressi", flagText(FlagMassimoNumeroIngressi)},
        {"Ritardo", Ritardo},
        {"QuattroCifre", flagText(QuattroCifre)},
        {"FasceOrarie", flagText(FasceOrarie)},
        {"Beep", flagText(Beep)},
        {"Imparziale", flagText(Imparziale)},
        {"NumeroImparziale", NumeroImparziale},
        {"StoricoEsterno", flagText(StoricoEsterno)},
        {"FileVireo", FileVireo},
        {"ScattareAdOrario", flagText(ScattareAdOrario)},
        {"OraImparziale", OraImparziale},
        {"TastieraOutput1", flagText(TastieraOutput1)},
        {"TastieraOutput2", flagText(TastieraOutput2)},
        {"AttivaOutput", AttivaOutput},
        {"RiprendiPolling", flagText(RiprendiPolling)},
        {"CartellaBackup", CartellaBackup},
        {"OraBackup", OraBackup},
        {"CopieBackup", CopieBackup},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        t["OrarioIniziale" + n] = OrarioIniziale[i];
        t["OrarioFinale" + n] = OrarioFinale[i];
    }
    return t;
}

std::int64_t SettingsDialogFields::typedEntryLimit() const {
    return SettingsFile::number(MassimoNumeroIngressi, std::numeric_limits<std::int32_t>::min(),
                                std::numeric_limits<std::int32_t>::max());
}

} // namespace sentinex
