#include "FrmFunzAgg.hpp"

#include "ui_FrmFunzAgg.h"

#include "FrmDownLoad.hpp"
#include "FrmRegistro.hpp"
#include "FrmRipristino.hpp"
#include "JournalDownloadSink.hpp"

#include "core/Operator.hpp"
#include "inspection/RandomInspection.hpp"
#include "online/PendingJournal.hpp"
#include "readers/download/ReaderMemoryClearing.hpp"
#include "session/Session.hpp"
#include "ui/admin/FrmGestPassw.hpp"
#include "ui/common/SlotGuard.hpp"
#include "ui/history/FrmViewStoria.hpp"
#include "ui/history/report/ReportPrinting.hpp"
#include "ui/masterdata/FrmFasceOnline.hpp"
#include "ui/masterdata/FrmFestivita.hpp"

#include <QCloseEvent>
#include <QIcon>
#include <QStyle>

namespace sentinex {

namespace {

constexpr int PictureSize = 32;

} // namespace

FrmFunzAgg::FrmFunzAgg(Session& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmFunzAgg>()), m_session(session) {
    m_ui->setupUi(this);
    if (PendingJournal* journal = m_session.downloadJournal()) {
        m_downloadSink = std::make_unique<JournalDownloadSink>(*journal);
    }
    // Image1: nobody inside; Image2: somebody is.
    m_ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(PictureSize));
    m_ui->Image2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(PictureSize));
    m_ui->Command5->setIconSize(QSize(PictureSize, PictureSize));

    connect(m_ui->Command1, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { printUsersList(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { download(); }));
    connect(m_ui->Command3, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openHistory(); }));
    connect(m_ui->Command4, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { close(); }));
    connect(m_ui->Command5, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { resetAntiPassback(); }));
    connect(m_ui->Command6, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { programAllCards(); }));
    connect(m_ui->Command7, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { clearAllReaders(); }));
    connect(m_ui->Command8, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openBands(); }));
    connect(m_ui->Command9, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openPassword(); }));
    connect(m_ui->Command10, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { runInspection(); }));
    connect(m_ui->Command11, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openHolidays(); }));
    connect(m_ui->Command12, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { backupNow(); }));
    connect(m_ui->Command13, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openRestore(); }));
    connect(m_ui->Command14, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openAuditLog(); }));
    showPresencePicture();
}

FrmFunzAgg::~FrmFunzAgg() = default;

void FrmFunzAgg::showPresencePicture() {
    const QLabel* picture = m_session.settings().Utenti != 0 ? m_ui->Image2 : m_ui->Image1;
    m_ui->Command5->setIcon(QIcon(picture->pixmap()));
}

bool FrmFunzAgg::switchesOff() {
    const AppState& state = m_session.state();
    if (state.pollingOn) {
        m_session.op().message("Messaggio", "Disabilitare prima il polling.", MsgIcon::Exclamation);
        return false;
    }
    if (state.outputOn) {
        m_session.op().message("Messaggio", "Disabilitare prima l'output automatico.", MsgIcon::Exclamation);
        return false;
    }
    return true;
}

void FrmFunzAgg::comeBack(QWidget* tool) {
    tool->deleteLater();
    showPresencePicture();
    show();
}

void FrmFunzAgg::printUsersList() {
    if (!m_session.usersListPrintable()) {
        return;
    }
    ReportPrinting::printUsersList(this, m_session.op(), m_session.folder());
}

void FrmFunzAgg::download() {
    if (m_session.state().readers.count() == 0) {
        m_session.op().message("Attenzione", "Non ci sono lettori.", MsgIcon::Exclamation);
        return;
    }
    if (!switchesOff() || !m_session.bus()) {
        return;
    }
    m_download = std::make_unique<FrmDownLoad>(m_session, m_downloadSink.get());
    FrmDownLoad* form = m_download.get();
    setEnabled(false);
    connect(form, &FrmDownLoad::closed, this, [this, form] {
        // Freed once its close event is over.
        if (m_download.get() == form) {
            m_download.release()->deleteLater();
        }
        setEnabled(true);
        activateWindow();
    });
    form->show();
}

void FrmFunzAgg::programAllCards() {
    m_session.programAllCards([this](bool on) { setEnabled(on); });
}

void FrmFunzAgg::clearAllReaders() {
    if (!m_session.bus()) {
        return; // no session bus: no reader to reach (the start-up has said why)
    }
    const AppState& state = m_session.state();
    ReaderMemoryClearing::run(state.readers, *m_session.bus(), m_session.op(), m_session.clock(),
                              m_session.pump(), state.pollingOn, state.outputOn,
                              [this](bool on) { setEnabled(on); });
}

void FrmFunzAgg::openHistory() {
    const std::shared_ptr<Database> report = m_session.openReportDatabase();
    if (!report) {
        return; // the reason has been shown
    }
    // Freed once it has returned; a history whose indexes cannot be added is shown by the slot guard.
    auto* viewer = new FrmViewStoria(m_session.database(), report, m_session.op(), m_session.clock(),
                                     m_session.folder());
    // Online records still waiting are stored before any deletion, so it never misses them.
    viewer->setBeforeDeletion([this] { m_session.storeWaitingRecords(); });
    // The viewer has no return action of its own: its accepted close is its way back.
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    connect(viewer, &QObject::destroyed, this, [this] {
        showPresencePicture();
        show();
    });
    m_tools.showInPlace(viewer);
}

void FrmFunzAgg::resetAntiPassback() {
    if (!m_session.resetAntiPassback()) {
        return;
    }
    showPresencePicture();
    emit presenceReset();
}

void FrmFunzAgg::openBands() {
    if (!switchesOff()) {
        return;
    }
    auto* bands = new FrmFasceOnline(m_session); // freed once it has returned; opens empty on a store error
    connect(bands, &FrmFasceOnline::closed, this, [this, bands] { comeBack(bands); });
    m_tools.showInPlace(bands);
}

void FrmFunzAgg::openHolidays() {
    if (!m_session.database() || !switchesOff()) {
        return; // without a session database the start-up has said why
    }
    // A store error while it loads is shown by the slot guard, and this form stays.
    auto* holidays = new FrmFestivita(m_session); // freed once it has returned
    connect(holidays, &FrmFestivita::closed, this, [this, holidays] { comeBack(holidays); });
    m_tools.showInPlace(holidays);
}

void FrmFunzAgg::openAuditLog() {
    if (!m_session.database()) {
        return; // without a session database the start-up has said why
    }
    // It only reads, so the doors may keep working while it is open.
    auto* record = new FrmRegistro(m_session.database(), m_session.op()); // freed once it has returned
    connect(record, &FrmRegistro::closed, this, [this, record] { comeBack(record); });
    m_tools.showInPlace(record);
}

void FrmFunzAgg::openPassword() {
    // freed once it has returned
    auto* password = new FrmGestPassw(m_session.folder(), m_session.op(), m_session.database());
    password->setOnReturn([this, password] { comeBack(password); });
    m_tools.showInPlace(password);
}

void FrmFunzAgg::runInspection() {
    if (RandomInspection* inspection = m_session.inspection()) {
        inspection->runNow();
    }
}

void FrmFunzAgg::backupNow() {
    m_session.backupNow();
}

void FrmFunzAgg::openRestore() {
    // The files the doors are worked from are replaced: both switches off before anything is chosen.
    if (!switchesOff()) {
        return;
    }
    auto form = std::make_unique<FrmRipristino>(m_session);
    if (!form->offerChoice()) {
        return;
    }
    FrmRipristino* restore = form.release(); // freed once it has returned
    connect(restore, &FrmRipristino::closed, this, [this, restore] { comeBack(restore); });
    connect(restore, &FrmRipristino::restartRequested, this, [this, restore] {
        restore->deleteLater();
        emit restartRequested();
    });
    m_tools.showInPlace(restore);
}

void FrmFunzAgg::leave() {
    if (m_left) {
        return;
    }
    m_left = true;
    hide();
    emit returnedToMain();
}

void FrmFunzAgg::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    if (!isEnabled()) {
        // A download, programming or clearing started here is still running.
        event->ignore();
        return;
    }
    // The close box is "Ritorna alla pagina principale".
    event->accept();
    leave();
}

} // namespace sentinex
