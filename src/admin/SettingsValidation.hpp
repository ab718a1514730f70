#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class Operator;
struct SettingsDialogFields;

/// The checks the settings dialog runs before it saves, in their fixed order; the first failing rule
/// stops them. Numbers must be unsigned whole numbers (digits only, at most 9 of them, so the file's
/// 9-character read gives back what was typed) within their key's width; times are checked by
/// TimeChecks and the card-file name by CardFileName.
class SettingsValidation {
public:
    static constexpr const char* PollingText = "Errore nel campo POLLING.";
    static constexpr const char* AddressText = "Errore nel campo INDIRIZZO 485.";
    static constexpr const char* AddressHexText = "INDIRIZZO 485 in esadecimale.";
    static constexpr const char* EntriesText = "Errore nel campo MASSIMO NUMERO INGRESSI.";
    static constexpr const char* DelayText = "Errore nel campo MASSIMO TEMPO DI RITARDO DEL LETTORE.";
    static constexpr const char* DelayZeroText =
        "Errore nel campo MASSIMO TEMPO DI RITARDO DEL LETTORE; deve essere maggiore di zero.";
    static constexpr const char* DrawCountText = "Errore nel campo NUMERO DI PERSONE PER L'IMPARZIALE.";
    static constexpr const char* DrawCountNegativeText =
        "Errore nel campo NUMERO DI PERSONE PER L'IMPARZIALE; non può essere negativo.";
    static constexpr const char* DrawTooLargeText =
        "Il numero di persone per l'imparziale è maggiore del numero degli utenti presenti nel database.";
    static constexpr const char* OutputText =
        "Errore nell'output per l'imparziale. Inserire un numero da 0 a 2.";
    static constexpr const char* DrawTimeText = "Errore nell'orario dell'imparziale.";
    static constexpr const char* DrawTimeUnsetText =
        "Errore nell'orario dell'imparziale. Bisogna definire l'ora.";
    static constexpr const char* BackupTimeText = "Errore nell'orario del backup.";
    static constexpr const char* BackupCopiesText =
        "Errore nel campo COPIE DI BACKUP; deve essere maggiore di zero.";
    /// "Errore nella fascia " + band number (1 to 3) + ".".
    static std::string bandText(int band);

    /// The reply delay is sent to the reader in two digits.
    static constexpr std::int64_t MaxDelay = 99;

    /// Users in `Carte` and shifts in `Fasce`, for the inspection count rule.
    struct Population {
        std::int64_t users = 0;
        std::int64_t shifts = 0;
    };
    /// Asked only when the inspection box is ticked and the rules before it passed.
    using PopulationSource = std::function<Population()>;

    /// The first failing rule (1 to 12), the control to put the cursor in, and the messages to show in
    /// order (two for a bad time: the time check's own, then the field's).
    struct Failure {
        int rule = 0;
        std::string control;
        std::vector<std::string> messages;
    };

    /// Nothing when every rule passes, else the first failure.
    static std::optional<Failure> firstFailure(const SettingsDialogFields& fields,
                                               const PopulationSource& population);
    /// firstFailure, showing its messages to `op` ("Attenzione", exclamation icon); true when all pass.
    static bool check(const SettingsDialogFields& fields, const PopulationSource& population, Operator& op,
                      std::string* failedControl = nullptr);

    /// The record counts of `Carte` and `Fasce`. Throws DatabaseError.
    static Population countPopulation(Database& db);
};

} // namespace sentinex
