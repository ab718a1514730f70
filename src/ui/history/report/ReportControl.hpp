#pragma once

#include "ReportPreview.hpp"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace sentinex {

/// The report component: given a database file, a layout file, formulas and a destination, it
/// produces the report. Its operations are used in this order: data file, window title, layout file,
/// formulas, destination, run. A failure never ends the program: run() returns false and tells why.
class ReportControl {
public:
    enum class Destination {
        Preview = 0, ///< a print preview window, from which the report is printed or saved as PDF
        Printer = 1, ///< the default printer
        File = 2,    ///< a PDF file (setPrintFileName)
    };
    /// Shows a prepared report in a preview window. Tests replace it.
    using Previewer = std::function<void(const ReportPreview& preview)>;
    /// Called with the error's number and text when printing from the preview fails (the preview has
    /// already been shown).
    using FailureHandler = std::function<void(int number, const std::string& text)>;

    explicit ReportControl(QWidget* parent = nullptr);
    ReportControl(const ReportControl&) = delete;
    ReportControl& operator=(const ReportControl&) = delete;

    /// Data file `index` (only 0 is used): the database file the layout's table is read from.
    void setDataFile(int index, const std::string& path);
    void setWindowTitle(const QString& title) { m_windowTitle = title; }
    void setReportFileName(const std::string& path) { m_layoutPath = path; }
    /// Formula `index`: a text `Name = "value"`.
    void setFormula(int index, const std::string& text);
    void setDestination(Destination destination) { m_destination = destination; }
    void setPrintFileName(const QString& path) { m_pdfPath = path; }
    void setPreviewer(Previewer show) { m_previewer = std::move(show); }
    void setFailureHandler(FailureHandler onFailure) { m_onFailure = std::move(onFailure); }

    /// Produces the report. Returns false, with the error's number and text set, when the layout is
    /// missing (101) or invalid (102), the database cannot be read (103) or the printer or PDF file
    /// fails (104); nothing is shown then.
    bool run();
    int errorNumber() const { return m_errorNumber; }
    const std::string& errorText() const { return m_errorText; }

    /// The preview window of the program: a print preview with "Esporta PDF" beside its print button.
    static void showPreview(QWidget* parent, const ReportPreview& preview, const FailureHandler& onFailure);

private:
    QWidget* m_parent;
    std::vector<std::string> m_dataFiles;
    std::vector<std::string> m_formulas;
    std::string m_layoutPath;
    QString m_windowTitle;
    QString m_pdfPath;
    Destination m_destination = Destination::Preview;
    Previewer m_previewer;
    FailureHandler m_onFailure;
    int m_errorNumber = 0;
    std::string m_errorText;
};

} // namespace sentinex
