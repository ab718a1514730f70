#pragma once

namespace sentinex {

class Database;
class Operator;
class SettingsFile;
struct Settings;

/// "Riazzera AntiPass-Back": empties `presenti` and sets the presence counter "Utenti" to 0, after the
/// operator has confirmed. The table and the counter change together or not at all: the rows are
/// deleted in a transaction that is committed only once the settings file holds "Utenti=0".
class AntiPassbackReset {
public:
    enum class Outcome {
        AlreadyReset, // counter 0 and nobody in `presenti`: "L'antipass-back è già azzerato."
        Declined,     // the operator did not answer Yes
        Done,         // table emptied, counter 0 in memory and in the file: "Operazione completata."
        Failed,       // the store or the settings file refused (shown as "Errore"); nothing changed
    };

    static constexpr const char* AlreadyResetText = "L'antipass-back è già azzerato.";
    static constexpr const char* QuestionText = "Confermi l'azzeramento dell'antipass-back ?";
    static constexpr const char* DoneText = "Operazione completata.";
    static constexpr const char* WriteFailedText =
        "Impossibile scrivere il contatore delle presenze (Utenti) in Sentinex.ini: l'antipass-back non "
        "è stato azzerato.";
    static constexpr const char* StoreFailedText = "Impossibile azzerare l'antipass-back: ";

    /// Every argument must outlive the object.
    AntiPassbackReset(Database& db, Settings& settings, const SettingsFile& settingsFile, Operator& op)
        : m_db(db), m_settings(settings), m_settingsFile(settingsFile), m_op(op) {}

    /// The whole reset with its question and messages. Refuses only when the counter is 0 and `presenti`
    /// is empty: rows left behind a counter of 0 would keep those persons out for good. Never throws.
    Outcome run();

private:
    Database& m_db;
    Settings& m_settings;
    const SettingsFile& m_settingsFile;
    Operator& m_op;
};

} // namespace sentinex
