#include "SelectionPages.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"

namespace sentinex {

SelectionPages::SelectionPages(std::shared_ptr<Database> reportDb)
    : m_db(std::move(reportDb)),
      m_page(std::make_unique<SqlStatement>(
          m_db->handle(),
          "SELECT rowid, Cognome, Nome, NumeroBadge, Data, Ora, causale, verso, nota, passaggio "
          "FROM main.temp WHERE rowid > ? ORDER BY rowid LIMIT ?")) {}

SelectionPages::~SelectionPages() = default;

const std::vector<std::string>& SelectionPages::columnCaptions() {
    static const std::vector<std::string> captions = {"Cognome",   "Nome",  "Numero Badge", "Data",     "Ora",
                                                      "Posizione", "Verso", "Nota",         "Passaggio"};
    return captions;
}

const std::vector<int>& SelectionPages::columnTwips() {
    static const std::vector<int> twips = {1800, 1700, 1250, 1150, 850, 1370, 1000, 2290};
    return twips;
}

std::int64_t SelectionPages::restart() {
    m_lastRowid = 0;
    const std::int64_t count = m_db->query("SELECT count(*) FROM main.temp").at(0).at(0).toInt();
    m_atEnd = count == 0;
    return count;
}

std::vector<SelectionPages::Row> SelectionPages::next(int count) {
    std::vector<Row> rows;
    if (m_atEnd) {
        return rows;
    }
    m_page->bind({Value(static_cast<long long>(m_lastRowid)), Value(count)});
    while (m_page->step()) {
        m_lastRowid = m_page->column(0).toInt();
        Row row;
        row.reserve(9);
        for (int i = 1; i <= 8; ++i) {
            row.push_back(m_page->column(i).toString());
        }
        row.push_back(m_page->column(9).toBool() ? "Sì" : "No");
        rows.push_back(std::move(row));
    }
    m_page->reset();
    m_atEnd = static_cast<int>(rows.size()) < count;
    return rows;
}

} // namespace sentinex
