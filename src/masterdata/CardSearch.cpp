#include "CardSearch.hpp"

#include "store/Database.hpp"

namespace sentinex {

std::optional<CardSearch::Found> CardSearch::find(Database& db, Field field, const std::string& typed) {
    // The card number's key is its numeric value written without leading zeros, so the typed text is
    // compared with that text, not with the stored one.
    const std::string match =
        field == Field::CardNumber ? "CAST(CAST(NumeroCarta AS INTEGER) AS TEXT) = ?" : "Cognome = ?";
    const auto rows = db.query("SELECT rowid FROM Carte WHERE " + match + " ORDER BY rowid LIMIT 1", {typed});
    if (rows.empty()) {
        return std::nullopt;
    }
    const std::int64_t key = rows.front().front().toInt();
    // "+rowid": counted through an index, a fraction of the table's size (see UserStore::positionOf).
    const auto position = db.query("SELECT count(*) FROM Carte WHERE +rowid <= ?", {key});
    return Found{key, position.front().front().toInt()};
}

} // namespace sentinex
