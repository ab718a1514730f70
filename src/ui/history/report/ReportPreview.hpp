#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace sentinex {

struct ReportDocument;

/// A prepared report as a preview window receives it: what it shows, and painting it on pages.
class ReportPreview {
public:
    ReportPreview(const ReportDocument& doc, QString windowTitle)
        : m_doc(doc), m_windowTitle(std::move(windowTitle)) {}

    const QString& windowTitle() const { return m_windowTitle; }
    /// The title line, with the formula Titolo in place.
    std::string title() const;
    std::size_t rowCount() const;
    /// The cell texts of row `i`, in the layout's column order.
    const std::vector<std::string>& row(std::size_t i) const;
    /// The line after the last row.
    std::string summary() const;
    /// Paints the pages on `device` (see ReportRenderer::render). Throws ReportError.
    int paint(QPagedPaintDevice& device) const;
    /// Gives `device` the layout's page.
    void applyPage(QPagedPaintDevice& device) const;
    /// Writes the report as a PDF file. Throws ReportError.
    int writePdf(const QString& path) const;

private:
    const ReportDocument& m_doc;
    QString m_windowTitle;
};

} // namespace sentinex
