#include "ReportDocument.hpp"

#include "ReportFormula.hpp"

namespace sentinex {

ReportDocument ReportDocument::prepare(const std::string& layoutPath, const std::string& databasePath,
                                       const std::vector<std::string>& formulas) {
    ReportDocument doc;
    doc.layout = ReportLayout::load(layoutPath);
    for (const auto& text : formulas) {
        const ReportFormula f = ReportFormula::parse(text);
        doc.formulas[f.name] = f.value;
    }
    doc.rows = ReportData::read(doc.layout, databasePath);
    return doc;
}

std::string ReportDocument::footer(int page, int pages) const {
    auto values = formulas;
    values["page"] = std::to_string(page);
    values["pages"] = std::to_string(pages);
    return ReportLayout::expand(layout.footer, values);
}

std::string ReportDocument::summary() const {
    auto values = formulas;
    values["count"] = std::to_string(rows.size());
    return ReportLayout::expand(layout.summary, values);
}

} // namespace sentinex
