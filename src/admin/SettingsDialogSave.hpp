#pragma once

#include <memory>
#include <string>

namespace sentinex {

class Database;
class Operator;
class SettingsFile;
struct Settings;
struct SettingsDialogFields;

/// The settings dialog's save: the validation (with the counts of users and shifts the inspection rule
/// needs), then the write. Values go live only once the file holds them.
class SettingsDialogSave {
public:
    static constexpr const char* FailedText =
        "Impossibile scrivere il file Sentinex.ini (cartella protetta o disco pieno): le impostazioni non "
        "sono state salvate.";
    static constexpr const char* RecordFailedText =
        "Le impostazioni sono state salvate, ma il registro operazioni non è stato aggiornato.\n";

    /// Validates `fields` and writes them; each failure is shown ("Attenzione" for a rule, "Errore" for a
    /// store that cannot give the counts or a file that refuses the write) and nothing changes. On a failed
    /// rule `failedField` names the control to put the focus on. True when saved. Once the file holds
    /// them, the keys that changed go to the operators' record ("Impostazioni salvate"); a record that
    /// refuses the row is told ("Errore") and the save still stands.
    static bool save(const SettingsDialogFields& fields, const std::shared_ptr<Database>& db,
                     const SettingsFile& file, Settings& settings, Operator& op, std::string& failedField);
};

} // namespace sentinex
