#include "FrmViewStoria.hpp"

#include "ui_FrmViewStoria.h"

#include "HistoryGridModel.hpp"
#include "report/ReportPrinting.hpp"

#include "core/Operator.hpp"
#include "history/HistoryArchive.hpp"
#include "history/HistoryViewer.hpp"
#include "history/SelectionPages.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScopedValueRollback>

#include <algorithm>
#include <stdexcept>

namespace sentinex {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kCellMargin = 16;        // pixels around a cell's or caption's text
constexpr std::size_t kDateColumn = 3; // "Data"

/// The folder of the last CSV file saved, for the next dialog (for as long as the program runs).
QString& lastCsvFolder() {
    static QString folder;
    return folder;
}

QString chooseWithDialog(QWidget* parent, const QString& folder) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Esporta CSV"),
                                        folder + QStringLiteral("/storico.csv"),
                                        QStringLiteral("File CSV (*.csv)"));
}

} // namespace

FrmViewStoria::FrmViewStoria(std::shared_ptr<Database> mainDb, std::shared_ptr<Database> reportDb,
                             Operator& op, const Clock& clock, ProgramFolder folder, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmViewStoria>()), m_report(reportDb), m_operator(op),
      m_folder(std::move(folder)), m_archive(std::make_unique<HistoryArchive>(std::move(mainDb), m_report)),
      m_viewer(std::make_unique<HistoryViewer>(*m_archive, op, clock)), m_choosePath(chooseWithDialog) {
    m_ui->setupUi(this);
    m_print = [this](const std::string& layout, const std::string& title) {
        ReportPrinting::printSelection(this, m_operator, m_folder, layout, title);
    };
    m_model = new HistoryGridModel(m_report, op, this);
    m_ui->DBGrid1->setModel(m_model);
    // A hidden grid or period keeps its place: the frames beside it keep their size instead of stretching
    // over it.
    for (QWidget* keep :
         {static_cast<QWidget*>(m_ui->DBGrid1), static_cast<QWidget*>(m_ui->FrameSelezioneDate)}) {
        QSizePolicy keepPlace = keep->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        keep->setSizePolicy(keepPlace);
    }
    // The widths were laid out for a small system font: all of them grow alike until every caption and a
    // whole date fit in the font shown.
    const auto& twips = SelectionPages::columnTwips();
    const auto& captions = SelectionPages::columnCaptions();
    const QFontMetrics cellFont(m_ui->DBGrid1->font());
    const QFontMetrics headerFont(m_ui->DBGrid1->horizontalHeader()->font());
    double scale = 1.0;
    for (std::size_t i = 0; i < twips.size(); ++i) {
        int needed = headerFont.horizontalAdvance(QString::fromStdString(captions[i])) + kCellMargin;
        if (i == kDateColumn) {
            needed = std::max(needed, cellFont.horizontalAdvance(QStringLiteral("00/00/0000")) + kCellMargin);
        }
        scale = std::max(scale, needed * kTwipsPerPixel / static_cast<double>(twips[i]));
    }
    for (std::size_t i = 0; i < twips.size(); ++i) {
        m_ui->DBGrid1->setColumnWidth(static_cast<int>(i),
                                      static_cast<int>(twips[i] / kTwipsPerPixel * scale));
    }
    m_ui->DBGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    if (lastCsvFolder().isEmpty()) {
        lastCsvFolder() = QString::fromStdString(m_folder.dir());
    }
    m_viewer->setOnChange([this] { onBusyChanged(); });
    connectControls();
    // Opening selects "Solo Storia Odierna" and "Tutti i badge", each of which searches.
    m_ui->OptInteraParziale_0->setChecked(true);
    m_ui->OptSelSocio_0->setChecked(true);
    m_viewer->open();
    render();
}

void FrmViewStoria::setBeforeDeletion(std::function<void()> before) {
    m_viewer->setBeforeDeletion(std::move(before));
}

FrmViewStoria::~FrmViewStoria() {
    if (m_cursorOverridden) {
        QApplication::restoreOverrideCursor();
    }
}

void FrmViewStoria::connectControls() {
    // Every action runs behind the slot guard and the window renders afterwards. Options and boxes act
    // on their checked state, so assistive technology that ticks them without a click works too; the
    // window's own ticks while rendering act on nothing.
    auto act = [this](auto rule) {
        return [this, rule](auto&&...) {
            SlotGuard::run(m_operator, [&] { rule(); });
            render();
        };
    };
    auto whenTicked = [this, act](QAbstractButton* option, auto rule) {
        connect(option, &QAbstractButton::toggled, this, [this, run = act(rule)](bool on) mutable {
            if (on && !m_rendering) {
                run();
            }
        });
    };
    whenTicked(m_ui->OptInteraParziale_0, [this] { m_viewer->chooseTodayOnly(); });
    whenTicked(m_ui->OptInteraParziale_1, [this] { m_viewer->choosePartial(); });
    whenTicked(m_ui->OptInteraParziale_2, [this] { m_viewer->chooseWhole(); });
    whenTicked(m_ui->OptSelSocio_0, [this] { m_viewer->chooseAllBadges(); });
    whenTicked(m_ui->OptSelSocio_1, [this] { m_viewer->chooseSingleBadge(); });
    connect(m_ui->CmdCambiaPeriodo, &QPushButton::clicked, this, act([this] { m_viewer->changePeriod(); }));
    const std::pair<QCheckBox*, HistoryViewer::Box> boxes[] = {
        {m_ui->ChkIngressi, HistoryViewer::Box::Ingressi}, {m_ui->ChkUscite, HistoryViewer::Box::Uscite},
        {m_ui->ChkPassaggi, HistoryViewer::Box::Passaggi}, {m_ui->ChkRifiuti, HistoryViewer::Box::Rifiuti},
        {m_ui->ChkOnLine, HistoryViewer::Box::OnLine},     {m_ui->ChkOffLine, HistoryViewer::Box::OffLine},
    };
    for (const auto& [check, box] : boxes) {
        connect(check, &QCheckBox::toggled, this, [this, b = box](bool ticked) {
            if (m_rendering) {
                return;
            }
            SlotGuard::run(m_operator, [&] { m_viewer->setBox(b, ticked); });
            render();
        });
    }
    // The boxes follow their text however it changes: typed, pasted or set by assistive technology
    // (which sets the text without an edit); render's own writes act on nothing.
    connect(m_ui->TxtNumeroBadge, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_rendering) {
            return;
        }
        SlotGuard::run(m_operator, [&] { m_viewer->setBadgeText(text.toStdString()); });
        render();
    });
    // Return, or leaving the field after a change.
    connect(m_ui->TxtNumeroBadge, &QLineEdit::editingFinished, this,
            act([this] { m_viewer->badgeConfirmed(); }));
    connect(m_ui->TxtDataIniziale, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_rendering) {
            m_viewer->setStartText(text.toStdString());
        }
    });
    connect(m_ui->TxtDataFinale, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_rendering) {
            m_viewer->setEndText(text.toStdString());
        }
    });
    connect(m_ui->CmdPresenta, &QPushButton::clicked, this, act([this] { m_viewer->search(); }));
    connect(m_ui->CmdDelStorico, &QPushButton::clicked, this, act([this] { m_viewer->deleteHistory(); }));
    connect(m_ui->CmdStampa, &QPushButton::clicked, this, SlotGuard::wrap(m_operator, [this] { print(); }));
    connect(m_ui->CmdCalcolaTempiPresenze, &QPushButton::clicked, this,
            SlotGuard::wrap(m_operator, [this] { computeAttendance(); }));
    connect(m_ui->CmdEsportaCsv, &QPushButton::clicked, this,
            SlotGuard::wrap(m_operator, [this] { exportCsv(false); }));
    connect(m_ui->CmdEsportaCsvPresenze, &QPushButton::clicked, this,
            SlotGuard::wrap(m_operator, [this] { exportCsv(true); }));
    connect(m_ui->CmdEsci, &QPushButton::clicked, this, SlotGuard::wrap(m_operator, [this] { close(); }));
}

void FrmViewStoria::render() {
    const HistoryViewState& s = m_viewer->state();
    {
        // The options follow the viewer (a deletion shows "Storia Completa"): ticking them here acts on
        // nothing.
        const QScopedValueRollback<bool> rendering(m_rendering, true);
        QAbstractButton* periods[] = {m_ui->OptInteraParziale_0, m_ui->OptInteraParziale_1,
                                      m_ui->OptInteraParziale_2};
        if (s.periodOption >= 0 && s.periodOption < 3) {
            periods[s.periodOption]->setChecked(true);
        }
        (s.singleBadgeOption ? m_ui->OptSelSocio_1 : m_ui->OptSelSocio_0)->setChecked(true);
    }
    setWindowTitle(QString::fromStdString(s.caption));
    m_ui->Label3->showText(QString::fromStdString(s.recordsText));
    m_ui->FrameSelezioneDate->setVisible(s.periodFrameVisible);
    m_ui->CmdCambiaPeriodo->setVisible(s.changePeriodVisible);
    m_ui->LblNumeroBadge->setVisible(s.badgeVisible);
    m_ui->TxtNumeroBadge->setVisible(s.badgeVisible);
    m_ui->CmdCalcolaTempiPresenze->setVisible(s.attendanceVisible);
    m_ui->DBGrid1->setVisible(s.gridVisible);
    const QString start = QString::fromStdString(s.startText);
    const QString end = QString::fromStdString(s.endText);
    const QScopedValueRollback<bool> rendering(m_rendering, true);
    if (m_ui->TxtDataIniziale->text() != start) {
        m_ui->TxtDataIniziale->setText(start);
    }
    if (m_ui->TxtDataFinale->text() != end) {
        m_ui->TxtDataFinale->setText(end);
    }
    if (s.gridShowsTemp != m_shownTemp || s.selectionVersion != m_shownVersion) {
        m_shownTemp = s.gridShowsTemp;
        m_shownVersion = s.selectionVersion;
        if (s.gridShowsTemp) {
            // A selection the store refuses leaves the grid empty and is shown as "Errore".
            SlotGuard::runAlways(m_operator, [this] { m_model->showSelection(); });
        } else {
            m_model->clear();
        }
    }
}

void FrmViewStoria::onBusyChanged() {
    const bool busy = m_viewer->state().busy;
    render();
    setEnabled(!busy);
    if (busy && !m_cursorOverridden) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorOverridden = true;
    } else if (!busy && m_cursorOverridden) {
        QApplication::restoreOverrideCursor();
        m_cursorOverridden = false;
    }
}

void FrmViewStoria::print() {
    if (m_viewer->state().busy || !m_print) {
        return;
    }
    m_print(m_folder.file("giornata1new.rpt"), m_viewer->state().caption);
}

void FrmViewStoria::computeAttendance() {
    if (m_viewer->state().busy) {
        return;
    }
    if (!m_viewer->computeAttendance()) {
        return;
    }
    if (m_print) {
        m_print(m_folder.file("presenze.rpt"), m_viewer->state().caption + " Tempi presenza   ");
    }
}

void FrmViewStoria::exportCsv(bool attendance) {
    if (m_viewer->state().busy) {
        return;
    }
    // The attendance is computed afresh over the shown selection, with the messages of "Tempi Presenza".
    if (attendance && !m_viewer->computeAttendance()) {
        return;
    }
    const QString path = m_choosePath(this, lastCsvFolder());
    if (path.isEmpty()) {
        return;
    }
    lastCsvFolder() = QFileInfo(path).absolutePath();
    m_viewer->exportCsv(path.toStdString(), attendance);
}

void FrmViewStoria::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_operator, event)) {
        return;
    }
    // "Esci" and the close box do nothing while a search or a deletion runs.
    if (!m_viewer->canClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace sentinex
