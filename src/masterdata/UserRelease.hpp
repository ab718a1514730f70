#pragma once

#include <string>

namespace sentinex {

class Database;
class Operator;

/// Release of the user shown from the random inspection ("Imparziale" of the users form).
class UserRelease {
public:
    /// What the form knows of the user shown.
    struct Shown {
        bool onlineTicked = false; // "On Line" as the form shows it
        bool held = false;         // Imparziale when the record was shown
        std::string cardNumber;    // the card-number box
    };

    /// Refuses a user that is not online, an inspection that is off, a user not held; asks; then sets
    /// `Imparziale` False on the first record of that card number, with its row of the operators' record
    /// in the same transaction. Returns true when the user was
    /// released (the form then clears its held flag). Throws DatabaseError from the store.
    static bool release(Database& db, Operator& op, bool inspectionOn, const Shown& shown);
};

} // namespace sentinex
