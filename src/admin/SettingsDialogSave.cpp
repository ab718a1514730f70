#include "SettingsDialogSave.hpp"

#include "SettingsValidation.hpp"

#include "core/Operator.hpp"
#include "core/ProfileFile.hpp"
#include "core/SettingsDialogFields.hpp"
#include "core/SettingsFile.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"

#include <map>
#include <string>

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
    const std::map<std::string, std::string> texts = fields.storedTexts();
    const auto stored = file.file().section(SettingsFile::Section);
    if (!file.saveTexts(texts, settings)) {
        op.message("Errore", FailedText, MsgIcon::Critical);
        return false;
    }
    // The file is not the database: its row follows the write that succeeded, and lists the keys whose
    // stored text changed.
    if (db) {
        AuditLog::Fields before;
        AuditLog::Fields after;
        for (const auto& [key, text] : texts) {
            const std::string old = ProfileFile::lookup(stored, key).value_or("");
            if (old != text) {
                before.emplace_back(key, old);
                after.emplace_back(key, text);
            }
        }
        try {
            AuditLog::write(*db, {"FrmProgSetup", "Impostazioni salvate", "Sentinex.ini",
                                  AuditLog::text(before), AuditLog::text(after)});
        } catch (const DatabaseError& e) {
            // The settings are saved and live; only their trace is missing, and the operator is told so.
            op.message("Errore", std::string(RecordFailedText) + e.what(), MsgIcon::Critical);
        }
    }
    return true;
}

} // namespace sentinex
