#include "ReportRenderer.hpp"

#include "history/report/ReportError.hpp"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

namespace sentinex {

namespace {

Qt::Alignment alignmentOf(ReportLayout::Align align) {
    switch (align) {
    case ReportLayout::Align::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case ReportLayout::Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case ReportLayout::Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QFont fontOf(double points, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

/// Everything measured once, in device pixels.
struct Geometry {
    double mm = 1; // pixels per millimetre
    double left = 0, top = 0, right = 0, bottom = 0;
    double titleHeight = 0, headerHeight = 0, rowHeight = 0, footerHeight = 0;
    int rowsPerPage = 1;
    std::vector<double> columnLeft;
    std::vector<double> columnWidth;
};

Geometry measure(const ReportLayout& layout, QPaintDevice& device, const QFont& title, const QFont& header,
                 const QFont& row) {
    Geometry g;
    g.mm = device.logicalDpiX() / 25.4;
    g.left = layout.marginLeftMm * g.mm;
    g.top = layout.marginTopMm * g.mm;
    g.right = (layout.printedWidthMm() - layout.marginRightMm) * g.mm;
    g.bottom = (layout.printedHeightMm() - layout.marginBottomMm) * g.mm;
    g.titleHeight = QFontMetricsF(title, &device).height() * 1.8;
    g.headerHeight = QFontMetricsF(header, &device).height() * 1.5;
    g.rowHeight = QFontMetricsF(row, &device).height() * 1.3;
    g.footerHeight = layout.footer.empty() ? 0 : QFontMetricsF(row, &device).height() * 1.5;
    const double rowsSpace = g.bottom - g.footerHeight - (g.top + g.titleHeight + g.headerHeight);
    g.rowsPerPage = std::max(1, static_cast<int>(std::floor(rowsSpace / g.rowHeight)));
    double x = g.left;
    for (const auto& c : layout.columns) {
        g.columnLeft.push_back(x);
        g.columnWidth.push_back(c.widthMm * g.mm);
        x += c.widthMm * g.mm;
    }
    return g;
}

/// A cell's text cut to its column and shaped once: the glyphs to draw, and the width and height of its
/// line as the painter's own text drawing measures them.
struct ShapedText {
    QList<QGlyphRun> runs;
    double width = 0;
    double height = 0;
};

ShapedText shape(const QString& text, const QFont& font, QPaintDevice& device) {
    QTextLayout layout(text, font, &device);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(0x01000000); // one line, never wrapped, as a painter lays out a single text
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
    ShapedText out;
    if (line.isValid()) {
        out.runs = layout.glyphRuns();
        out.width = line.naturalTextWidth();
        out.height = line.height();
    }
    return out;
}

/// The glyphs of one printed row, gathered cell by cell and drawn at once: one text object a row in the
/// file instead of one a cell. Glyphs of another font (a character the report's font lacks) are kept
/// apart, each font drawn as its own run.
class RowGlyphs {
public:
    /// Adds `text` in `cell` aligned as `align` says (left, centre or right; centred vertically), where
    /// the painter's drawText would put it.
    void add(const ShapedText& text, const QRectF& cell, Qt::Alignment align) {
        double x = cell.x();
        if (align & Qt::AlignRight) {
            x += cell.width() - text.width;
        } else if (align & Qt::AlignHCenter) {
            x += (cell.width() - text.width) / 2;
        }
        const QPointF origin(x, cell.y() + (cell.height() - text.height) / 2);
        for (const QGlyphRun& run : text.runs) {
            Part& part = partFor(run.rawFont());
            part.indexes.append(run.glyphIndexes());
            for (const QPointF& at : run.positions()) {
                part.positions.append(at + origin);
            }
        }
    }
    /// Draws what was added and starts an empty row.
    void draw(QPainter& painter) {
        for (Part& part : m_parts) {
            if (part.indexes.isEmpty()) {
                continue;
            }
            QGlyphRun run;
            run.setRawFont(part.font);
            run.setGlyphIndexes(part.indexes);
            run.setPositions(part.positions);
            painter.drawGlyphRun(QPointF(0, 0), run);
            part.indexes.clear();
            part.positions.clear();
        }
    }

private:
    struct Part {
        QRawFont font;
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    Part& partFor(const QRawFont& font) {
        for (Part& part : m_parts) {
            if (part.font == font) {
                return part;
            }
        }
        m_parts.push_back({font, {}, {}});
        return m_parts.back();
    }
    std::vector<Part> m_parts;
};

} // namespace

void ReportRenderer::applyPage(const ReportLayout& layout, QPagedPaintDevice& device) {
    const QPageSize size(QSizeF(layout.pageWidthMm, layout.pageHeightMm), QPageSize::Millimeter,
                         QString::fromStdString(layout.pageName), QPageSize::FuzzyMatch);
    device.setPageLayout(QPageLayout(size, layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

int ReportRenderer::render(const ReportDocument& doc, QPagedPaintDevice& device) {
    const ReportLayout& layout = doc.layout;
    const QFont titleFont = fontOf(layout.fontPoints * 1.5, true);
    const QFont headerFont = fontOf(layout.fontPoints, true);
    const QFont rowFont = fontOf(layout.fontPoints, false);
    QPainter painter;
    if (!painter.begin(&device)) {
        throw ReportError(ReportError::PrinterFailed, "La stampante non accetta il report");
    }
    const Geometry g = measure(layout, device, titleFont, headerFont, rowFont);
    const double padding = 1.2 * g.mm;
    const bool withSummary = !layout.summary.empty();
    const std::size_t lines = doc.rows.size() + (withSummary ? 1 : 0);
    const int pages = std::max<int>(1, static_cast<int>((lines + g.rowsPerPage - 1) / g.rowsPerPage));
    const QString title = QString::fromStdString(doc.title());
    QPen thin(Qt::black);
    thin.setWidthF(0.25 * g.mm);

    const QFontMetricsF metrics(rowFont, &device);
    // A history repeats its names, dates, times and places on many rows: each text is cut to its column
    // and shaped once, and a repeated value only has its glyphs drawn again.
    std::vector<std::unordered_map<std::string, ShapedText>> shaped(layout.columns.size());
    RowGlyphs rowGlyphs;

    std::size_t next = 0;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !device.newPage()) {
            throw ReportError(ReportError::PrinterFailed, "La stampante non accetta una nuova pagina");
        }
        double y = g.top;
        painter.setFont(titleFont);
        painter.drawText(QRectF(g.left, y, g.right - g.left, g.titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         title);
        y += g.titleHeight;
        painter.setFont(headerFont);
        for (std::size_t c = 0; c < layout.columns.size(); ++c) {
            painter.drawText(
                QRectF(g.columnLeft[c] + padding, y, g.columnWidth[c] - 2 * padding, g.headerHeight),
                alignmentOf(layout.columns[c].align), QString::fromStdString(layout.columns[c].caption));
        }
        y += g.headerHeight;
        painter.setPen(thin);
        painter.drawLine(QPointF(g.left, y), QPointF(g.right, y));
        painter.setFont(rowFont);
        for (int line = 0; line < g.rowsPerPage && next < lines; ++line, ++next) {
            if (next == doc.rows.size()) {
                painter.drawText(QRectF(g.left + padding, y, g.right - g.left, g.rowHeight),
                                 Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(doc.summary()));
                y += g.rowHeight;
                continue;
            }
            const auto& row = doc.rows[next];
            for (std::size_t c = 0; c < layout.columns.size() && c < row.size(); ++c) {
                const double width = g.columnWidth[c] - 2 * padding;
                auto cell = shaped[c].find(row[c]);
                if (cell == shaped[c].end()) {
                    const QString cut = metrics.elidedText(QString::fromStdString(row[c]), Qt::ElideRight,
                                                           std::max(0.0, width));
                    cell = shaped[c].emplace(row[c], shape(cut, rowFont, device)).first;
                }
                rowGlyphs.add(cell->second, QRectF(g.columnLeft[c] + padding, y, width, g.rowHeight),
                              alignmentOf(layout.columns[c].align));
            }
            rowGlyphs.draw(painter);
            y += g.rowHeight;
        }
        if (!layout.footer.empty()) {
            painter.drawLine(QPointF(g.left, g.bottom - g.footerHeight),
                             QPointF(g.right, g.bottom - g.footerHeight));
            painter.drawText(QRectF(g.left, g.bottom - g.footerHeight, g.right - g.left, g.footerHeight),
                             Qt::AlignHCenter | Qt::AlignVCenter,
                             QString::fromStdString(doc.footer(page, pages)));
        }
    }
    if (!painter.end()) {
        throw ReportError(ReportError::PrinterFailed, "La stampante non ha completato il report");
    }
    return pages;
}

int ReportRenderer::writePdf(const ReportDocument& doc, const QString& path) {
    {
        // QPdfWriter only reports a file it cannot write when painting starts; tell it in plain words.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly)) {
            throw ReportError(ReportError::PrinterFailed, "Impossibile scrivere il file " +
                                                              path.toStdString() + ": " +
                                                              probe.errorString().toStdString());
        }
    }
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setCreator(QStringLiteral("Sentinex"));
    writer.setTitle(QString::fromStdString(doc.title()));
    applyPage(doc.layout, writer);
    return render(doc, writer);
}

} // namespace sentinex
