#include "CardSearch.hpp"

#include "UserStore.hpp"

#include "store/Database.hpp"

namespace sentinex {

std::optional<CardSearch::Found> CardSearch::find(Database& db, UserStore& users, Field field,
                                                  const std::string& typed) {
    // The card number's key is its numeric value written without leading zeros, so the typed text is
    // compared with that text, not with the stored one.
    const std::string match =
        field == Field::CardNumber ? "CAST(CAST(NumeroCarta AS INTEGER) AS TEXT) = ?" : "Cognome = ?";
    const auto rows = db.query("SELECT rowid FROM Carte WHERE " + match + " ORDER BY rowid LIMIT 1", {typed});
    if (rows.empty()) {
        return std::nullopt;
    }
    const std::int64_t key = rows.front().front().toInt();
    const auto position = users.positionOf(key);
    if (!position) {
        return std::nullopt; // gone between the two reads (another program)
    }
    return Found{key, *position};
}

} // namespace sentinex
