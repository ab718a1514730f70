#include "FrmDownLoad.hpp"

#include "ui_FrmDownLoad.h"

#include "core/Operator.hpp"
#include "readers/download/TransitDownload.hpp"
#include "session/Session.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>

#include <vector>

namespace sentinex {

FrmDownLoad::FrmDownLoad(Session& session, DownloadSink* sink, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmDownLoad>()), m_session(session), m_sink(sink) {
    m_ui->setupUi(this);
    const ReaderList& readers = m_session.state().readers;
    for (int k = 1; k <= readers.count(); ++k) {
        m_ui->Combo1->addItem(QString::fromStdString(TransitDownload::chooserLine(k, readers.entry(k - 1))));
    }
    // Nothing chosen until the operator chooses: "Singolo lettore" with no choice asks for one instead of
    // downloading (and perhaps clearing) the first reader.
    m_ui->Combo1->setCurrentIndex(-1);
    m_ui->Option2->setChecked(true);
    chooseSingle(false);
    m_ui->Label1->showText(QString::fromStdString(TransitDownload::countText(readers.count())));
    m_ui->Label2->showText(
        QString::fromStdString(TransitDownload::clearingNote(m_session.settings().CancellaStorico)));

    connect(m_ui->Option1, &QRadioButton::toggled, this, [this](bool on) { chooseSingle(on); });
    connect(m_ui->Command1, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { download(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { close(); }));
}

FrmDownLoad::~FrmDownLoad() = default;

void FrmDownLoad::chooseSingle(bool single) {
    m_ui->Combo1->setEnabled(single);
}

void FrmDownLoad::download() {
    if (m_running) {
        return; // a run is under way
    }
    const ReaderList& readers = m_session.state().readers;
    std::vector<int> positions;
    if (m_ui->Option1->isChecked()) {
        const auto chosen = TransitDownload::chosenReader(m_ui->Combo1->currentText().toStdString(),
                                                          readers.count(), m_session.op());
        if (!chosen) {
            return;
        }
        positions.push_back(*chosen);
    } else {
        for (int k = 1; k <= readers.count(); ++k) {
            positions.push_back(k);
        }
    }
    m_running = true;
    setEnabled(false);
    const TransitDownload::Outcome outcome = m_session.downloadTransits(positions, m_sink);
    setEnabled(true);
    m_running = false;
    if (outcome.result == TransitDownload::Result::Done) {
        close();
    }
}

void FrmDownLoad::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    if (m_running) {
        // A run cannot be cut short: the reader has handed over records the run still has to store.
        event->ignore();
        return;
    }
    event->accept();
    if (!m_closed) {
        m_closed = true;
        emit closed();
    }
}

} // namespace sentinex
