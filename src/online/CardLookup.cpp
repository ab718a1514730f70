#include "CardLookup.hpp"

#include "store/SqlStatement.hpp"

namespace sentinex {

namespace {

std::string cardSelect() {
    std::string list;
    for (const std::string& c : CardRecord::columns()) {
        list += (list.empty() ? "\"" : ", \"") + c + "\"";
    }
    return "SELECT " + list + " FROM Carte WHERE NumeroCarta = ? ORDER BY rowid LIMIT 1";
}

} // namespace

CardLookup::CardLookup(Database& db)
    : m_byString(db, "SELECT NumeroCarta FROM Carte WHERE Stringa = ? ORDER BY rowid LIMIT 1"),
      m_byStringOrBytes(
          db, "SELECT NumeroCarta FROM Carte WHERE Stringa = ? OR Stringa = ? ORDER BY rowid LIMIT 1"),
      m_byNumber(db, cardSelect()) {}

std::optional<std::string> CardLookup::numberForRawData(const std::string& dataText,
                                                        const std::string& rawBytes) {
    const auto row = dataText == rawBytes ? m_byString.firstRow({dataText})
                                          : m_byStringOrBytes.firstRow({dataText, rawBytes});
    if (!row) {
        return std::nullopt;
    }
    return row->empty() ? std::string() : row->front().toString();
}

std::optional<CardRecord> CardLookup::findByNumber(const std::string& number) {
    std::optional<CardRecord> card;
    m_byNumber.readFirst({number}, [&card](const SqlStatement& st) { card = CardRecord::fromStatement(st); });
    return card;
}

} // namespace sentinex
