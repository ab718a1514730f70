#include "ReportPrinting.hpp"

#include "ReportControl.hpp"

#include "core/Operator.hpp"
#include "history/report/ReportFormula.hpp"

namespace sentinex {

namespace {

std::string selectionFailure(int number, const std::string& text) {
    return "Errore nella produzione del report " + std::to_string(number) + " " + text;
}

} // namespace

void ReportPrinting::printSelection(ReportControl& control, Operator& op, const ProgramFolder& folder,
                                    const std::string& layoutPath, const std::string& title) {
    // Printing from the preview fails after the sequence has ended: the same message then.
    control.setFailureHandler([&op](int number, const std::string& text) {
        op.message("Attenzione", selectionFailure(number, text), MsgIcon::Exclamation);
    });
    control.setDataFile(0, folder.reportDatabase());
    control.setWindowTitle(QString::fromStdString(title));
    control.setReportFileName(layoutPath);
    control.setFormula(0, ReportFormula::quoted("Titolo", title));
    control.setDestination(ReportControl::Destination::Preview);
    if (!control.run()) {
        op.message("Attenzione", selectionFailure(control.errorNumber(), control.errorText()),
                   MsgIcon::Exclamation);
    }
}

void ReportPrinting::printSelection(QWidget* parent, Operator& op, const ProgramFolder& folder,
                                    const std::string& layoutPath, const std::string& title) {
    ReportControl control(parent);
    printSelection(control, op, folder, layoutPath, title);
}

void ReportPrinting::printUsersList(ReportControl& control, Operator& op, const ProgramFolder& folder) {
    control.setFailureHandler([&op](int, const std::string&) {
        op.message("Errore", "Problemi con la stampante.", MsgIcon::Critical);
    });
    control.setDataFile(0, folder.database());
    control.setReportFileName(folder.file("Utenti.rpt"));
    control.setWindowTitle(QStringLiteral("Archivio utenti"));
    control.setDestination(ReportControl::Destination::Preview);
    if (!control.run()) {
        op.message("Errore", "Problemi con la stampante.", MsgIcon::Critical);
    }
}

void ReportPrinting::printUsersList(QWidget* parent, Operator& op, const ProgramFolder& folder) {
    ReportControl control(parent);
    printUsersList(control, op, folder);
}

} // namespace sentinex
