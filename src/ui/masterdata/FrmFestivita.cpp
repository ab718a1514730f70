#include "FrmFestivita.hpp"

#include "ui_FrmFestivita.h"

#include "core/Operator.hpp"
#include "masterdata/HolidayEditor.hpp"
#include "masterdata/HolidayRecord.hpp"
#include "online/PollingStep.hpp"
#include "session/Session.hpp"
#include "ui/common/ReadablePalette.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace sentinex {

FrmFestivita::FrmFestivita(Session& session, QWidget* parent)
    : FrmFestivita(session.database(), session.op(), session.settings(), session.settingsFile(), parent) {
    // The decision keeps the day's holiday: what was saved here counts from the next card.
    connect(this, &FrmFestivita::closed, this, [&session] {
        if (PollingStep* step = session.pollingStep()) {
            step->holidaysChanged();
        }
    });
}

FrmFestivita::FrmFestivita(std::shared_ptr<Database> db, Operator& op, Settings& settings,
                           const SettingsFile& file, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmFestivita>()), m_op(op),
      m_editor(std::make_unique<HolidayEditor>(std::move(db), op, settings, file)) {
    m_ui->setupUi(this);
    keepReadableWhenDisabled(*this);
    auto& ui = *m_ui;
    ui.List1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui.List1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ui.List1->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);

    guard(ui.Command5, &QPushButton::clicked, [this] { m_editor->first(); });
    guard(ui.Command6, &QPushButton::clicked, [this] { m_editor->previous(); });
    guard(ui.Command7, &QPushButton::clicked, [this] { m_editor->next(); });
    guard(ui.Command8, &QPushButton::clicked, [this] { m_editor->last(); });
    guard(ui.Command1, &QPushButton::clicked, [this] { m_editor->newOrCancel(); });
    guard(ui.Command2, &QPushButton::clicked, [this] { m_editor->modifyOrSave(typed()); });
    guard(ui.Command3, &QPushButton::clicked, [this] { m_editor->remove(); });
    connect(ui.Command4, &QPushButton::clicked, this, [this] { SlotGuard::run(m_op, [this] { close(); }); });
    // A row chosen in the list (by click, keys or assistive technology) is the shown holiday.
    connect(ui.List1, &QTableWidget::currentCellChanged, this, [this](int row) {
        SlotGuard::run(m_op, [this, row] { m_editor->selectRow(row); });
        render();
    });
    // The switches react to their state, so a box ticked without a click counts too; the rendering
    // sets them with their signals blocked, so nothing runs twice.
    connect(ui.Check1, &QCheckBox::toggled, this, [this](bool on) {
        SlotGuard::run(m_op, [this, on] { m_editor->setFestivita(on); });
        render();
    });
    connect(ui.Check2, &QCheckBox::toggled, this, [this](bool on) {
        SlotGuard::run(m_op, [this, on] { m_editor->setPasquetta(on); });
        render();
    });
    m_editor->load();
    render();
}

FrmFestivita::~FrmFestivita() = default;

template <typename Sender, typename Signal, typename Action>
void FrmFestivita::guard(Sender* sender, Signal signal, Action action) {
    connect(sender, signal, this, [this, action] {
        SlotGuard::run(m_op, action);
        render();
    });
}

HolidayRecord FrmFestivita::typed() const {
    HolidayRecord record;
    record.Data = m_ui->Text1->text().toStdString();
    record.Descrizione = m_ui->Text2->text().toStdString();
    record.Tipo = m_ui->Option2->isChecked()   ? HolidayRecord::Sunday
                  : m_ui->Option1->isChecked() ? HolidayRecord::Closed
                                               : "";
    return record;
}

void FrmFestivita::render() {
    auto& ui = *m_ui;
    const HolidayFormView& v = m_editor->view();
    {
        const QSignalBlocker block(ui.List1);
        ui.List1->setRowCount(static_cast<int>(v.rows.size()));
        for (int r = 0; r < static_cast<int>(v.rows.size()); ++r) {
            const HolidayRecord& h = v.rows[static_cast<std::size_t>(r)];
            const std::string cells[3] = {h.Data, h.Descrizione, h.Tipo};
            for (int c = 0; c < 3; ++c) {
                QTableWidgetItem* item = ui.List1->item(r, c);
                if (!item) {
                    item = new QTableWidgetItem; // owned by the table
                    ui.List1->setItem(r, c, item);
                }
                item->setText(QString::fromStdString(cells[c]));
            }
        }
        if (v.currentRow >= 0) {
            ui.List1->setCurrentCell(v.currentRow, 0);
        } else {
            ui.List1->setCurrentCell(-1, -1);
        }
    }
    ui.List1->setEnabled(!v.browse.editing);
    // While typing, the fields keep what the operator typed (also after a refused save); otherwise,
    // and on entering new or modify mode, they show the editor's holiday.
    if (!v.browse.editing || !m_wasEditing) {
        ui.Text1->setText(QString::fromStdString(v.shown.Data));
        ui.Text2->setText(QString::fromStdString(v.shown.Descrizione));
        const QSignalBlocker b1(ui.Option1);
        const QSignalBlocker b2(ui.Option2);
        // Both options cleared for "no holiday" needs them out of their group for a moment.
        ui.Option1->setAutoExclusive(false);
        ui.Option2->setAutoExclusive(false);
        ui.Option1->setChecked(v.shown.Tipo == HolidayRecord::Closed);
        ui.Option2->setChecked(v.shown.Tipo == HolidayRecord::Sunday);
        ui.Option1->setAutoExclusive(true);
        ui.Option2->setAutoExclusive(true);
    }
    m_wasEditing = v.browse.editing;
    ui.Frame3->setEnabled(v.fieldsEnabled);
    ui.Label5->showText(QString::fromStdString(v.browse.counter));
    ui.Command1->setText(QString::fromStdString(v.browse.newOrCancelCaption));
    ui.Command2->setText(QString::fromStdString(v.browse.modifyOrSaveCaption));
    ui.Command1->setEnabled(v.browse.newOrCancel);
    ui.Command2->setEnabled(v.browse.modifyOrSave);
    ui.Command3->setEnabled(v.browse.remove);
    ui.Command4->setEnabled(v.browse.exit);
    ui.Command5->setEnabled(v.browse.navigate && v.browse.first);
    ui.Command6->setEnabled(v.browse.navigate && v.browse.previous);
    ui.Command7->setEnabled(v.browse.navigate && v.browse.next);
    ui.Command8->setEnabled(v.browse.navigate && v.browse.last);
    {
        const QSignalBlocker b1(ui.Check1);
        const QSignalBlocker b2(ui.Check2);
        ui.Check1->setChecked(v.festivita);
        ui.Check2->setChecked(v.pasquetta);
    }
}

void FrmFestivita::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    if (m_editor->editing()) {
        m_editor->newOrCancel();
        render();
    }
    event->accept();
    emit closed();
}

void FrmFestivita::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_editor->editing()) {
        m_ui->Command1->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_editor->editing()) {
        m_ui->Command2->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sentinex
