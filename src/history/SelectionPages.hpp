#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class SqlStatement;

/// The selection copied into `temp`, read a page at a time in the order it was copied, for the
/// viewer's grid: a history of a million transits is shown without reading it all.
class SelectionPages {
public:
    /// One grid row: the shown texts, in the order of columnCaptions().
    using Row = std::vector<std::string>;

    explicit SelectionPages(std::shared_ptr<Database> reportDb);
    ~SelectionPages();
    SelectionPages(const SelectionPages&) = delete;
    SelectionPages& operator=(const SelectionPages&) = delete;

    /// "Cognome", "Nome", "Numero Badge", "Data", "Ora", "Posizione", "Verso", "Nota", "Passaggio".
    static const std::vector<std::string>& columnCaptions();
    /// Widths of the grid's first eight columns, in twips.
    static const std::vector<int>& columnTwips();

    /// Starts again from the first record (after a search or a deletion). Returns the record count.
    std::int64_t restart();
    /// Up to `count` rows after those already read; fewer (or none) at the end. Throws DatabaseError.
    std::vector<Row> next(int count);
    bool atEnd() const { return m_atEnd; }

private:
    std::shared_ptr<Database> m_db;
    std::unique_ptr<SqlStatement> m_page;
    std::int64_t m_lastRowid = 0;
    bool m_atEnd = true;
};

} // namespace sentinex
