#include "ReportPreview.hpp"

#include "ReportRenderer.hpp"

#include "history/report/ReportDocument.hpp"

namespace sentinex {

std::string ReportPreview::title() const {
    return m_doc.title();
}

std::size_t ReportPreview::rowCount() const {
    return m_doc.rows.size();
}

const std::vector<std::string>& ReportPreview::row(std::size_t i) const {
    return m_doc.rows.at(i);
}

std::string ReportPreview::summary() const {
    return m_doc.summary();
}

int ReportPreview::paint(QPagedPaintDevice& device) const {
    return ReportRenderer::render(m_doc, device);
}

void ReportPreview::applyPage(QPagedPaintDevice& device) const {
    ReportRenderer::applyPage(m_doc.layout, device);
}

int ReportPreview::writePdf(const QString& path) const {
    return ReportRenderer::writePdf(m_doc, path);
}

} // namespace sentinex
