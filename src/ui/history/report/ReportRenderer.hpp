#pragma once

#include "history/report/ReportDocument.hpp"

#include <QString>

class QPagedPaintDevice;

namespace sentinex {

/// Lays a prepared report out on pages: on every page the title, the column headers and as many rows
/// as fit, the page footer at the bottom; the summary line after the last row.
class ReportRenderer {
public:
    /// Gives `device` the layout's page size and orientation (margins are drawn by render()).
    static void applyPage(const ReportLayout& layout, QPagedPaintDevice& device);
    /// Paints `doc` on `device`, whose page was set by applyPage(). Returns the number of pages.
    /// Throws ReportError (PrinterFailed) when the device refuses to be painted on.
    static int render(const ReportDocument& doc, QPagedPaintDevice& device);
    /// Writes `doc` as a PDF file. Throws ReportError (PrinterFailed) when the file cannot be written.
    static int writePdf(const ReportDocument& doc, const QString& path);
};

} // namespace sentinex
