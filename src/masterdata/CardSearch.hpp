#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sentinex {

class Database;
class UserStore;

/// The card search of the users form ("Ricerca"): the first user, in stored order, whose key equals
/// the typed text exactly.
class CardSearch {
public:
    /// What the typed text is compared with.
    enum class Field {
        CardNumber, // the card number as a plain number: a stored 0012 is found by 12, not by 0012
        Surname,    // Cognome exactly as stored, letter case and blanks included
    };

    static constexpr const char* NotFoundText = "Nessun record trovato.";

    struct Found {
        std::int64_t key = 0;      // the user's record
        std::int64_t position = 0; // 1-based, in stored order
        bool operator==(const Found&) const = default;
    };

    /// The first user, in stored order, whose key equals `typed`, with its position as `users` gives it;
    /// nothing when no user matches. Throws DatabaseError from the store.
    static std::optional<Found> find(Database& db, UserStore& users, Field field, const std::string& typed);
};

} // namespace sentinex
