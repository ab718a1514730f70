#pragma once

#include "CardRecord.hpp"
#include "store/CachedStatement.hpp"

#include <optional>
#include <string>

namespace sentinex {

class Database;

/// Finds the `Carte` record of a presented card: first by the raw card data registered for a foreign
/// card (`Stringa`), then by card number. Each lookup is one indexed read of the live table, so what
/// another window saved is seen by the next card; the first record in stored order wins.
class CardLookup {
public:
    explicit CardLookup(Database& db);

    /// `NumeroCarta` of the first record whose `Stringa` equals `dataText` (or `rawBytes`, when older
    /// records hold the reader's bytes as such and they differ from their text). Throws DatabaseError.
    std::optional<std::string> numberForRawData(const std::string& dataText, const std::string& rawBytes);
    /// The first record whose `NumeroCarta` equals `number`. Throws DatabaseError.
    std::optional<CardRecord> findByNumber(const std::string& number);

private:
    CachedStatement m_byString;
    CachedStatement m_byStringOrBytes;
    CachedStatement m_byNumber;
};

} // namespace sentinex
