#include "FrmUtilVireo.hpp"

#include "ui_FrmUtilVireo.h"

#include "core/Operator.hpp"
#include "readers/cardfile/CardFileRuns.hpp"
#include "session/Session.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>
#include <QStyle>

#include <algorithm>

namespace sentinex {

namespace {

// Label2: green (65280) for a stored card, black for a card already in the file. The green is shown on
// a dark band, where it can be read at a glance; on the grey form it could hardly be read.
constexpr const char* StoredStyle =
    "color: #00ff00; background-color: #202020; font-weight: bold; padding: 4px; border-radius: 3px;";
constexpr const char* KnownStyle = "color: #000000; font-weight: bold; padding: 4px;";
// Wide enough for the prompt of card 999 in its large type.
constexpr int MinimumWidth = 380;
constexpr int StopPictureSize = 32;

} // namespace

FrmUtilVireo::FrmUtilVireo(Session& session, const ReaderAddress& reader, QWidget* parent)
    : QWidget(parent), m_session(session), m_reader(reader), m_ui(std::make_unique<Ui::FrmUtilVireo>()) {
    m_ui->setupUi(this);
    m_ui->Command4->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_ui->Command4->setIconSize(QSize(StopPictureSize, StopPictureSize));
    QFont prompt = m_ui->Label1->font();
    prompt.setPointSizeF(prompt.pointSizeF() * 1.5);
    prompt.setBold(true);
    m_ui->Label1->setFont(prompt);
    setMinimumWidth(MinimumWidth);
    m_ui->Label2->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Records sent out of the file's records: what a load of hundreds of cards wants to know.
    m_ui->ProgressBar1->setFormat(QStringLiteral("%v / %m"));
    Operator& op = m_session.op();
    connect(m_ui->Command1, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { capture(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { load(); }));
    connect(m_ui->Command3, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { leave(); }));
    // The run's own stop button: the capture and the load show their progress on this form, and this
    // is the one button that acts while they run.
    connect(m_ui->Command4, &QPushButton::clicked, this, SlotGuard::wrapAlways(op, [this] { stop(); }));
    idleButtons();
}

FrmUtilVireo::~FrmUtilVireo() = default;

void FrmUtilVireo::idleButtons() {
    m_ui->Command1->setVisible(true);
    m_ui->Command2->setVisible(true);
    m_ui->Command3->setVisible(true);
    m_ui->Command4->setVisible(false);
    m_ui->Label1->setVisible(false);
    m_ui->Label2->setVisible(false);
    m_ui->ProgressBar1->setVisible(false);
}

void FrmUtilVireo::runWith(const std::function<void(CardFileRuns&)>& run) {
    if (m_runs) {
        return; // one run at a time (the buttons that start one are hidden meanwhile)
    }
    ReaderBus* bus = m_session.bus();
    if (!bus) {
        m_session.op().message("Attenzione", "Periferica non connessa.", MsgIcon::Exclamation);
        return;
    }
    CardFileRuns runs(*bus, m_session.op(), m_session.clock(), m_session.pump(), *this,
                      m_session.folder().dir(), m_session.settings().Beep);
    runs.proposeName(m_session.settings().FileVireo);
    m_runs = &runs;
    run(runs);
    m_runs = nullptr;
    idleButtons();
    if (m_leaveAfterRun) {
        leave();
    }
}

void FrmUtilVireo::capture() {
    runWith([this](CardFileRuns& runs) { runs.capture(m_reader); });
}

void FrmUtilVireo::load() {
    runWith([this](CardFileRuns& runs) { runs.load(m_reader); });
}

void FrmUtilVireo::stop() {
    if (m_runs) {
        // The run ends at its next check; the buttons come back once it has.
        m_ui->Command4->setEnabled(false);
        m_runs->stop();
    }
}

void FrmUtilVireo::showPrompt(const std::string& text) {
    // The first prompt of a capture: from here on only the stop button acts.
    m_ui->Command1->setVisible(false);
    m_ui->Command2->setVisible(false);
    m_ui->Command3->setVisible(false);
    if (!m_ui->Command4->isVisibleTo(this)) {
        m_ui->Command4->setVisible(true);
        m_ui->Command4->setEnabled(true);
    }
    m_ui->Label1->setVisible(true);
    m_ui->Label2->setVisible(true);
    m_ui->Label1->showText(QString::fromStdString(text));
}

void FrmUtilVireo::showResult(const std::string& text, bool stored) {
    m_ui->Label2->setStyleSheet(stored ? StoredStyle : KnownStyle);
    m_ui->Label2->showText(QString::fromStdString(text));
}

void FrmUtilVireo::showProgress(int done, int total) {
    if (!m_ui->ProgressBar1->isVisibleTo(this)) {
        // The load starts: only the stop button acts while the records go out.
        m_ui->Command1->setVisible(false);
        m_ui->Command2->setVisible(false);
        m_ui->Command3->setVisible(false);
        m_ui->Command4->setVisible(true);
        m_ui->Command4->setEnabled(true);
        m_ui->ProgressBar1->setVisible(true);
    }
    // An empty file would turn the bar into a busy indicator; it shows an empty bar instead.
    m_ui->ProgressBar1->setRange(0, std::max(total, 1));
    m_ui->ProgressBar1->setValue(done);
}

void FrmUtilVireo::leave() {
    if (m_runs) {
        // Asked to leave during a run: stop it and leave once it has ended.
        m_leaveAfterRun = true;
        stop();
        return;
    }
    if (m_left) {
        return;
    }
    m_left = true;
    hide();
    if (m_onReturn) {
        m_onReturn();
    }
}

void FrmUtilVireo::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    if (m_runs) {
        // The window stays until the run has finished the record on the wire.
        event->ignore();
        leave();
        return;
    }
    event->accept();
    leave();
}

} // namespace sentinex
