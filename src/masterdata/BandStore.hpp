#pragma once

#include "BandRecord.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sentinex {

class Database;
class Operator;

/// The named online bands of `Fasce` in stored order, and the users' copies that follow them.
/// Positions count from 1. Engine errors are raised as DatabaseError; a failed save or delete leaves
/// the band and every user's copy as they were (one transaction each).
class BandStore {
public:
    static constexpr const char* NoNameText = "Bisogna riempire il campo NOME.";
    static constexpr const char* NameTakenText = "Nome della fascia mancante o già esistente.";

    struct Stored {
        std::int64_t key = 0;
        BandRecord record;
    };

    /// The window whose changes the operators' record names when none is given.
    static constexpr const char* DefaultWindow = "FrmFasceOnline";

    /// `window` is the form whose saves and deletes the operators' record names ("Fascia creata",
    /// "Fascia modificata", "Fascia eliminata", in the change's own transaction).
    explicit BandStore(std::shared_ptr<Database> db, std::string window = DefaultWindow);

    std::int64_t count();
    /// The band at `position` (1-based, stored order); nothing when there is none.
    std::optional<Stored> atPosition(std::int64_t position);

    /// The "Controllare il giorno ..." message of day `day` (0 Monday .. 6 Sunday).
    static std::string dayProblemText(int day);

    /// The rules before a save, each failure shown ("Attenzione", exclamation icon), the first failing
    /// step ending the check: a name; a name that is not blank and not equal, once trimmed, to another
    /// band's (a blank name would catch every user without a band); then Monday to Sunday the time check
    /// of the four boxes, each failing box with its message, then the day's message; then Monday to
    /// Sunday the interval check of the second and of the first interval, then the day's message.
    /// `editingKey` is the band being modified, which may keep its own name. True when all passed.
    bool validate(const BandRecord& record, std::optional<std::int64_t> editingKey, Operator& op);

    /// Writes the band (a new record with `Quanti` 0 when `key` is empty, else record `key`) and copies
    /// its times and days into every user whose trimmed `NomeFascia` equals the trimmed name, in one
    /// transaction. Returns the band's key.
    std::int64_t save(const BandRecord& record, std::optional<std::int64_t> key);
    /// How many users hold band `key`: their trimmed `NomeFascia` equals the band's stored name, trimmed.
    std::int64_t usersOf(std::int64_t key);
    /// Deletes band `key` and, in the same transaction, the users who hold it by its stored name (read
    /// here, never taken from a screen) lose their hours: "##:##" and False in their copy, and an empty
    /// `NomeFascia`, so that no user names a band that is gone. Their `Flag_fasce` stays, so they stay
    /// refused until given another band. Returns how many users were reset.
    std::int64_t remove(std::int64_t key);

private:
    std::shared_ptr<Database> m_db;
    std::string m_window;
};

} // namespace sentinex
