#pragma once

#include "core/ProgramFolder.hpp"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Ui {
class FrmViewStoria;
}

namespace sentinex {

class Clock;
class Database;
class HistoryArchive;
class HistoryGridModel;
class HistoryViewer;
class Operator;

/// The history viewer "Storico": selects transits into `temp` and shows them, deletes history, computes
/// attendance, exports the selection as CSV. Its rules are HistoryViewer's; the window forwards its
/// controls' events there and shows the outcome.
class FrmViewStoria : public QWidget {
    Q_OBJECT
public:
    /// Asks the report component to print `layoutFile` (a file of the program folder) with the title
    /// formula `title`.
    using PrintRequest = std::function<void(const std::string& layoutFile, const std::string& title)>;
    /// Asks where to save a CSV file, starting in `folder`; the empty text when the person cancels.
    using SavePathChooser = std::function<QString(QWidget* parent, const QString& folder)>;

    /// The window over the main and report databases of the program folder `folder`; opens on today's
    /// transits of all badges. Throws DatabaseError when the history indexes cannot be added to an
    /// older main database.
    FrmViewStoria(std::shared_ptr<Database> mainDb, std::shared_ptr<Database> reportDb, Operator& op,
                  const Clock& clock, ProgramFolder folder, QWidget* parent = nullptr);
    ~FrmViewStoria() override;

    /// Who prints the history ("giornata1new.rpt") and attendance ("presenze.rpt") reports; without one
    /// "Stampa" and the end of "Tempi Presenza" print nothing.
    void setPrintRequest(PrintRequest print) { m_print = std::move(print); }
    /// Runs right before a confirmed deletion of history.
    void setBeforeDeletion(std::function<void()> before);
    /// Replaces the file dialog of both CSV exports (tests choose the path themselves).
    void setSavePathChooser(SavePathChooser choose) { m_choosePath = std::move(choose); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectControls();
    /// Shows the viewer's state: caption, Label3, frames, grid, busy.
    void render();
    void onBusyChanged();
    void print();
    void computeAttendance();
    /// "Esporta CSV": the shown selection; "Esporta CSV presenze": the attendance of it.
    void exportCsv(bool attendance);

    std::unique_ptr<Ui::FrmViewStoria> m_ui;
    std::shared_ptr<Database> m_report;
    Operator& m_operator;
    ProgramFolder m_folder;
    std::unique_ptr<HistoryArchive> m_archive;
    std::unique_ptr<HistoryViewer> m_viewer;
    HistoryGridModel* m_model = nullptr; // owned by the window
    PrintRequest m_print;
    SavePathChooser m_choosePath;
    bool m_cursorOverridden = false;
    bool m_rendering = false; // the options are being set to what the viewer shows
    std::int64_t m_shownVersion = -1;
    bool m_shownTemp = false;
};

} // namespace sentinex
