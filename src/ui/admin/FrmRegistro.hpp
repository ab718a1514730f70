#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class FrmRegistro;
}

namespace sentinex {

class AuditViewer;
class Database;
class Operator;

/// The window "Sentinex - registro operazioni": the operators' record, newest first, narrowed by a
/// period of days and by window, with its CSV export. The rules live in AuditViewer; this window
/// forwards the filter and renders the rows. It only reads: the record cannot be emptied from here.
/// Closing it ("Esci" or the close box) emits `closed`.
class FrmRegistro : public QWidget {
    Q_OBJECT
public:
    using SavePathChooser = std::function<QString(QWidget* parent, const QString& folder)>;

    /// Shows every row at once; a record that cannot be read is told and the list stays empty.
    FrmRegistro(std::shared_ptr<Database> db, Operator& op, QWidget* parent = nullptr);
    ~FrmRegistro() override;

    /// Replaces the file dialog of the CSV export (tests choose the path themselves).
    void setSavePathChooser(SavePathChooser choose) { m_choosePath = std::move(choose); }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void search();
    void exportCsv();
    void render();

    std::unique_ptr<Ui::FrmRegistro> m_ui;
    Operator& m_op;
    std::unique_ptr<AuditViewer> m_viewer;
    SavePathChooser m_choosePath;
};

} // namespace sentinex
