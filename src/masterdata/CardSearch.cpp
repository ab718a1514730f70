#include "CardSearch.hpp"

#include "store/Database.hpp"

namespace sentinex {

std::optional<std::int64_t> CardSearch::find(Database& db, Field field, const std::string& typed) {
    // The card number's key is its numeric value written without leading zeros, so the typed text is
    // compared with that text, not with the stored one.
    const std::string match =
        field == Field::CardNumber ? "CAST(CAST(NumeroCarta AS INTEGER) AS TEXT) = ?1" : "Cognome = ?1";
    const auto rows =
        db.query("SELECT (SELECT count(*) FROM Carte AS earlier WHERE earlier.rowid <= found.rowid) "
                 "FROM (SELECT rowid FROM Carte WHERE " +
                     match + " ORDER BY rowid LIMIT 1) AS found",
                 {typed});
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front().front().toInt();
}

} // namespace sentinex
