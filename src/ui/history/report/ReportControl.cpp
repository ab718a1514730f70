#include "ReportControl.hpp"

#include "ExportFolder.hpp"
#include "ReportRenderer.hpp"

#include "history/report/ReportDocument.hpp"
#include "history/report/ReportError.hpp"

#include <QAction>
#include <QFileDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>

namespace sentinex {

ReportControl::ReportControl(QWidget* parent) : m_parent(parent) {
    m_previewer = [this](const ReportPreview& preview) { showPreview(m_parent, preview, m_onFailure); };
}

void ReportControl::setDataFile(int index, const std::string& path) {
    if (index < 0) {
        return;
    }
    if (m_dataFiles.size() <= static_cast<std::size_t>(index)) {
        m_dataFiles.resize(static_cast<std::size_t>(index) + 1);
    }
    m_dataFiles[static_cast<std::size_t>(index)] = path;
}

void ReportControl::setFormula(int index, const std::string& text) {
    if (index < 0) {
        return;
    }
    if (m_formulas.size() <= static_cast<std::size_t>(index)) {
        m_formulas.resize(static_cast<std::size_t>(index) + 1);
    }
    m_formulas[static_cast<std::size_t>(index)] = text;
}

bool ReportControl::run() {
    try {
        std::vector<std::string> formulas;
        for (const auto& f : m_formulas) {
            if (!f.empty()) {
                formulas.push_back(f);
            }
        }
        const std::string data = m_dataFiles.empty() ? std::string() : m_dataFiles[0];
        const ReportDocument doc = ReportDocument::prepare(m_layoutPath, data, formulas);
        switch (m_destination) {
        case Destination::Preview:
            m_previewer(ReportPreview(doc, m_windowTitle));
            break;
        case Destination::File:
            ReportRenderer::writePdf(doc, m_pdfPath);
            break;
        case Destination::Printer: {
            if (QPrinterInfo::defaultPrinter().isNull()) {
                throw ReportError(ReportError::PrinterFailed, "Nessuna stampante disponibile");
            }
            QPrinter printer(QPrinter::HighResolution);
            printer.setDocName(m_windowTitle);
            ReportRenderer::applyPage(doc.layout, printer);
            ReportRenderer::render(doc, printer);
            break;
        }
        }
    } catch (const ReportError& e) {
        m_errorNumber = static_cast<int>(e.code());
        m_errorText = e.what();
        return false;
    }
    m_errorNumber = 0;
    m_errorText.clear();
    return true;
}

void ReportControl::showPreview(QWidget* parent, const ReportPreview& report,
                                const FailureHandler& onFailure) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.windowTitle());
    report.applyPage(printer);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(report.windowTitle());
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report, &onFailure](QPrinter* target) {
                         try {
                             report.paint(*target);
                         } catch (const ReportError& e) {
                             if (onFailure) {
                                 onFailure(static_cast<int>(e.code()), e.what());
                             }
                         }
                     });
    if (auto* toolbar = preview.findChild<QToolBar*>()) {
        QAction* exportPdf = toolbar->addAction(QStringLiteral("Esporta PDF"));
        exportPdf->setObjectName(QStringLiteral("EsportaPdf"));
        QObject::connect(exportPdf, &QAction::triggered, &preview, [&preview, &report, &onFailure] {
            const QString path = QFileDialog::getSaveFileName(
                &preview, QStringLiteral("Esporta PDF"), ExportFolder::proposal(QStringLiteral("report.pdf")),
                QStringLiteral("File PDF (*.pdf)"));
            if (path.isEmpty()) {
                return;
            }
            ExportFolder::remember(path);
            try {
                report.writePdf(path);
            } catch (const ReportError& e) {
                if (onFailure) {
                    onFailure(static_cast<int>(e.code()), e.what());
                }
            }
        });
    }
    preview.exec();
}

} // namespace sentinex
