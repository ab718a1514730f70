#include "FrmRegistro.hpp"

#include "ui_FrmRegistro.h"

#include "core/Operator.hpp"
#include "history/AuditViewer.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>

namespace sentinex {

namespace {

/// The folder of the last CSV file saved, for the next dialog (for as long as the program runs).
QString& lastCsvFolder() {
    static QString folder = QDir::homePath();
    return folder;
}

QString chooseWithDialog(QWidget* parent, const QString& folder) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Esporta CSV"),
                                        folder + QStringLiteral("/registro.csv"),
                                        QStringLiteral("File CSV (*.csv)"));
}

} // namespace

FrmRegistro::FrmRegistro(std::shared_ptr<Database> db, Operator& op, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmRegistro>()), m_op(op),
      m_viewer(std::make_unique<AuditViewer>(std::move(db), op)), m_choosePath(chooseWithDialog) {
    m_ui->setupUi(this);
    auto& ui = *m_ui;
    ui.List1->setColumnCount(static_cast<int>(AuditViewer::captions().size()));
    QStringList captions;
    for (const std::string& caption : AuditViewer::captions()) {
        captions << QString::fromStdString(caption);
    }
    ui.List1->setHorizontalHeaderLabels(captions);
    ui.List1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui.List1->horizontalHeader()->setStretchLastSection(true);
    for (const std::string& window : m_viewer->windows()) {
        ui.Combo1->addItem(QString::fromStdString(window));
    }
    connect(ui.Command1, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { search(); }));
    connect(ui.Command2, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { exportCsv(); }));
    connect(ui.Command3, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { close(); }));
    m_viewer->apply("", "", AuditViewer::AllWindows);
    render();
}

FrmRegistro::~FrmRegistro() = default;

void FrmRegistro::search() {
    if (m_viewer->apply(m_ui->Text1->text().toStdString(), m_ui->Text2->text().toStdString(),
                        m_ui->Combo1->currentText().toStdString())) {
        render();
    }
}

void FrmRegistro::exportCsv() {
    const QString path = m_choosePath(this, lastCsvFolder());
    if (path.isEmpty()) {
        return;
    }
    lastCsvFolder() = QFileInfo(path).absolutePath();
    m_viewer->exportCsv(path.toStdString());
}

void FrmRegistro::render() {
    auto& list = *m_ui->List1;
    const auto& rows = m_viewer->rows();
    list.setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const AuditRow& row = rows[static_cast<std::size_t>(r)];
        const std::string* cells[] = {&row.when, &row.user,   &row.window, &row.action,
                                      &row.key,  &row.before, &row.after};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            QTableWidgetItem* item = list.item(r, c);
            if (!item) {
                item = new QTableWidgetItem; // owned by the table
                list.setItem(r, c, item);
            }
            item->setText(QString::fromStdString(*cells[c]));
        }
    }
    // Before and after hold one field a line: each row as tall as its longest list.
    list.resizeRowsToContents();
    m_ui->Label4->showText(QStringLiteral("Operazioni: %1").arg(rows.size()));
}

void FrmRegistro::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    event->accept();
    emit closed();
}

} // namespace sentinex
