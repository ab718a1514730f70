#pragma once

#include "ReportData.hpp"
#include "ReportLayout.hpp"

#include <map>
#include <string>
#include <vector>

namespace sentinex {

/// A report ready to be laid out on pages: its layout, the values of its formulas and its rows.
struct ReportDocument {
    ReportLayout layout;
    std::map<std::string, std::string> formulas;
    std::vector<ReportData::Row> rows;

    /// Loads the layout file `layoutPath`, takes the formulas (each `Name = "text"`) and reads the rows
    /// from the database file `databasePath`. Throws ReportError (see ReportLayout::load,
    /// ReportFormula::parse and ReportData::read); the first failure ends the preparation.
    static ReportDocument prepare(const std::string& layoutPath, const std::string& databasePath,
                                  const std::vector<std::string>& formulas);

    /// The title line: the layout's title with the formulas' values in place.
    std::string title() const { return ReportLayout::expand(layout.title, formulas); }
    /// The page footer of page `page` (1-based) of `pages`.
    std::string footer(int page, int pages) const;
    /// The line after the last row.
    std::string summary() const;
};

} // namespace sentinex
