#pragma once

#include "BandTimes.hpp"
#include "KeyRanks.hpp"
#include "UserRecord.hpp"
#include "store/Database.hpp"
#include "store/Value.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sentinex {

class CachedStatement;

/// The users of `Carte` in stored order, as the users form browses, validates, saves and deletes them.
/// Positions count from 1 in stored order. Engine errors are raised as DatabaseError; a failed save or
/// delete leaves the file as it was.
class UserStore {
public:
    static constexpr const char* BadCardText = "Errore nei dati. Controllare il numero carta.";
    static constexpr const char* CardTakenText = "Numero di carta già assegnato.";
    static constexpr const char* NoBandText = "Non è stato definito nessun turno per le fasce orarie.";

    /// Thrown by `save` when, inside its own transaction, another user already holds a card of the same
    /// numeric value (a second save that passed validation before the first was stored): nothing written.
    class CardTaken : public std::runtime_error {
    public:
        CardTaken() : std::runtime_error(CardTakenText) {}
    };

    /// A user and the key of its record.
    struct Stored {
        std::int64_t key = 0;
        UserRecord user;
    };

    /// Outcome of the validation before a save.
    struct Validation {
        /// The message of the first failed rule ("Attenzione", exclamation icon); empty when all passed.
        std::string problem;
        /// The card number padded to four digits, set once the number and its uniqueness have passed
        /// (also when the band rule then fails): the form shows it in the card-number box.
        std::optional<std::string> normalisedCard;
        bool ok() const { return problem.empty(); }
    };

    /// The window whose changes the operators' record names when none is given.
    static constexpr const char* DefaultWindow = "FrmCardsAbil";

    /// `window` is the form whose saves and deletes the operators' record names.
    explicit UserStore(std::shared_ptr<Database> db, std::string window = DefaultWindow);
    ~UserStore();
    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    /// How many users are stored. Counted once, then kept: this store's own saves and deletes update
    /// it, and any other write to `Carte` (another window, another program) has it counted again; writes
    /// to other tables (transits logged while the form is open) leave it kept.
    std::int64_t count();
    /// The user at `position` (1-based, stored order); nothing when there is none.
    std::optional<Stored> atPosition(std::int64_t position);
    /// The user stored right after (`Step::Next`) or right before (`Step::Previous`) record `key`, which
    /// need not exist any more; nothing at either end. One indexed read, wherever `key` stands.
    enum class Step { Next, Previous };
    std::optional<Stored> beside(std::int64_t key, Step step);
    /// The last user in stored order; nothing when there is none.
    std::optional<Stored> last();
    /// The user of record `key`; nothing when it is gone.
    std::optional<Stored> byKey(std::int64_t key);
    /// Position (1-based) of record `key` in stored order; nothing when it is gone. A few indexed reads
    /// while no user was ever taken out below the last. Otherwise the place of every 1,024th user is read
    /// once (one pass over an index, then kept like the count) and only the users after the nearest of
    /// them are counted.
    std::optional<std::int64_t> positionOf(std::int64_t key);

    /// The trimmed `Nome` of every band, in stored order (the band chooser's list).
    std::vector<std::string> bandNames();
    /// The first band in stored order whose trimmed name equals `name` trimmed.
    std::optional<BandTimes> bandNamed(const std::string& name);

    /// `SituatoPresso` of the first 64 readers of `Lettori`, in stored order (reader position k is
    /// entry k - 1): the captions of the reader association form.
    std::vector<std::string> readerLocations();

    /// The rules before a save, in order: card number of one to four digits; no other user (every user
    /// when `editingKey` is empty) holds a card of the same numeric value; with "On Line" and "Abilita"
    /// both ticked, the band chooser names an existing band.
    Validation validate(const UserRecord& user, std::optional<std::int64_t> editingKey);

    /// Writes `user` (a new record when `key` is empty, with `Imparziale` False; otherwise record `key`,
    /// whose `Imparziale` and `Stringa` stay), its `Lettore` text, its trimmed band name and the band copy
    /// (the first band of that name, or "##:##" and False everywhere), all in one transaction.
    /// Returns the record's key. The card number is stored as given: validate first. The card number's
    /// uniqueness is checked again inside the transaction: CardTaken when another user holds it.
    /// The operators' record gets "Utente creato" or "Utente modificato" in the same transaction.
    std::int64_t save(const UserRecord& user, std::optional<std::int64_t> key);
    /// Deletes record `key` and, in the same transaction, the user's presence in `presenti` (a deleted
    /// user is nobody inside; a presence stays while another user still holds the same card number).
    /// Returns how many presence records went, for the counter to follow. The operators' record gets
    /// "Utente eliminato" with the user's fields in the same transaction.
    int remove(std::int64_t key);

private:
    bool cardTaken(const std::string& cardNumber, std::optional<std::int64_t> editingKey);
    std::optional<Stored> readOne(CachedStatement& statement, const std::vector<Value>& params);

    /// Forgets the kept total and anchors when `Carte` changed behind this store since `m_keptMark`.
    void dropKeptIfChanged();
    /// The anchors of the keys, read now unless kept; called right after count(), whose `total` it is.
    const KeyRanks& keyRanks(std::int64_t total);

    std::shared_ptr<Database> m_db;
    std::string m_window;
    // Values read from `Carte` and kept while its mark stays at `m_keptMark`; anchors only beside a total.
    std::optional<std::int64_t> m_count;
    std::optional<KeyRanks> m_ranks;
    Database::ChangeMark m_keptMark;
    std::unique_ptr<CachedStatement> m_atPosition;
    std::unique_ptr<CachedStatement> m_byKey;
    std::unique_ptr<CachedStatement> m_next;
    std::unique_ptr<CachedStatement> m_previous;
    std::unique_ptr<CachedStatement> m_last;
};

} // namespace sentinex
