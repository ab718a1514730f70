#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sentinex {

class Database;
class Operator;
class ReaderBus;
class ReaderList;

/// Registration of a foreign card ("Registra carta esterna"): the operator presents the card at any
/// reader; the data part of that reader's poll reply is stored in the user's `Stringa`, by which the
/// online decision recognises the card from then on.
class ExternalCardRegistration {
public:
    static constexpr const char* IdleCaption = "Registra carta esterna";
    static constexpr const char* WaitingCaption = "Fine passaggio carta esterna";
    static constexpr const char* TakenPrefix = "Questa carta è già registrata per l'utente ";

    /// What the users form shows of its user.
    struct Shown {
        bool onlineTicked = false;
        std::string cardNumber; // the card-number box
    };

    enum class Outcome {
        Refused,    // a check failed; its message has been shown and no reader was addressed
        Registered, // a card was captured and stored
        Stopped,    // the operator ended the wait; nothing was written
        Taken,      // the card presented is already another user's: refused at the reader, nothing written
    };

    /// The checks in order, each failure shown: no reader; "On Line" not ticked; polling on; automatic
    /// output on; no user with the card number of the box. Returns the key of the record to update.
    /// Throws DatabaseError from the store.
    static std::optional<std::int64_t> recordToUpdate(Database& db, Operator& op, const ReaderList& readers,
                                                      bool pollingOn, bool outputOn, const Shown& shown);

    /// Shows the invitation to present the card, then polls the readers in list order, round and round,
    /// calling `keepWaiting` before each reader (it runs the window's events and says whether the
    /// operator still waits). A reply with "I" at position 4 stores its data part in `Stringa` of record
    /// `key`, shows the success naming the user, and acknowledges to that reader only; a card whose data
    /// another user already holds is refused with a message naming that user and nothing is written (one
    /// card data, one person at the door). When `keepWaiting` says no, shows
    /// "Nessuna carta è stata passata." and writes nothing. Throws DatabaseError when the store refuses
    /// the write (the acknowledgement is then not sent).
    static Outcome waitAndStore(Database& db, Operator& op, const ReaderList& readers, ReaderBus& bus,
                                std::int64_t key, const std::function<bool()>& keepWaiting);
};

} // namespace sentinex
