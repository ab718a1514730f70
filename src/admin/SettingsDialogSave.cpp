#include "SettingsDialogSave.hpp"

#include "SettingsValidation.hpp"

#include "core/Operator.hpp"
#include "core/SettingsDialogFields.hpp"
#include "core/SettingsFile.hpp"
#include "store/Database.hpp"

namespace sentinex {

bool SettingsDialogSave::save(const SettingsDialogFields& fields, const std::shared_ptr<Database>& db,
                              const SettingsFile& file, Settings& settings, Operator& op,
                              std::string& failedField) {
    try {
        const bool valid = SettingsValidation::check(
            fields,
            [&db] {
                return db ? SettingsValidation::countPopulation(*db) : SettingsValidation::Population{};
            },
            op, &failedField);
        if (!valid) {
            return false;
        }
    } catch (const DatabaseError& e) {
        // Without the counts the inspection rule cannot be judged: nothing is saved.
        op.message("Errore", std::string(DatabaseError::ShownPrefix) + e.what(), MsgIcon::Critical);
        return false;
    }
    // A write the file refuses (folder not writable, disk full) changes nothing: the dialog stays open
    // with what was typed, and the program goes on with the values the next start will find.
    if (!file.saveTexts(fields.storedTexts(), settings)) {
        op.message("Errore", FailedText, MsgIcon::Critical);
        return false;
    }
    return true;
}

} // namespace sentinex
