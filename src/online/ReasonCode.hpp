#pragma once

#include <string>

namespace sentinex {

/// Why the online access control refused a card; the number is what the history records as reason.
enum class ReasonCode : int {
    NotInCardFile = 0,
    NotInDatabase = 1,
    WrongSiteCode = 2,
    OutsideBands = 3,
    CardDisabled = 4,
    NotOnReader = 5,
    Inspection = 6,
    AntiPassback = 7,
    NotOnline = 8,
    EntryLimit = 9,
    InvalidInputs = 10,
    CardsUnreadable = 11, // the card table could not be read: the card is refused, not left unanswered
};

/// The `nota` of a grant whose reader did not confirm it (no reply, a garbled one, or not "S"): the
/// reader may have opened the door, so the presentation is recorded, but not as a passage.
inline constexpr const char* UnconfirmedNota = "Esito non confermato";

/// The `nota` text of a refusal with this code (empty for code 4 and for any code outside the table).
std::string notaFor(int code);
inline std::string notaFor(ReasonCode code) {
    return notaFor(static_cast<int>(code));
}

} // namespace sentinex
