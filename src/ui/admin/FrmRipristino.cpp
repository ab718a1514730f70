#include "FrmRipristino.hpp"

#include "ui_FrmRipristino.h"

#include "backup/RestorePresenter.hpp"
#include "session/Session.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>

namespace sentinex {

FrmRipristino::FrmRipristino(Session& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmRipristino>()), m_session(session),
      m_presenter(
          std::make_unique<RestorePresenter>(session.op(), session.folder().dir(), session.backupRoot())) {
    m_ui->setupUi(this);
    for (const std::string& label : m_presenter->labels()) {
        m_ui->List1->addItem(QString::fromStdString(label));
    }
    if (m_ui->List1->count() > 0) {
        m_ui->List1->setCurrentRow(0);
    }
    connect(m_ui->Command1, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { restore(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { close(); }));
}

FrmRipristino::~FrmRipristino() = default;

bool FrmRipristino::offerChoice() const {
    return m_presenter->offerChoice();
}

void FrmRipristino::restore() {
    const AppState& state = m_session.state();
    if (m_presenter->restore(m_ui->List1->currentRow(), state.pollingOn, state.outputOn)) {
        m_restarting = true;
        emit restartRequested();
    }
}

void FrmRipristino::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    event->accept();
    if (!m_restarting) {
        emit closed();
    }
}

} // namespace sentinex
