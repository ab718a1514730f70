#include "FrmFunzAgg.hpp"

#include "ui_FrmFunzAgg.h"

#include "FrmDownLoad.hpp"
#include "JournalDownloadSink.hpp"

#include "core/Operator.hpp"
#include "inspection/RandomInspection.hpp"
#include "masterdata/ProgramAllCards.hpp"
#include "online/AntiPassbackReset.hpp"
#include "online/PendingJournal.hpp"
#include "online/PollingStep.hpp"
#include "readers/download/ReaderMemoryClearing.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
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

    connect(m_ui->Command1, &QPushButton::clicked, this, [this] { printUsersList(); });
    connect(m_ui->Command2, &QPushButton::clicked, this, [this] { download(); });
    connect(m_ui->Command3, &QPushButton::clicked, this, [this] { openHistory(); });
    connect(m_ui->Command4, &QPushButton::clicked, this, [this] { close(); });
    connect(m_ui->Command5, &QPushButton::clicked, this, [this] { resetAntiPassback(); });
    connect(m_ui->Command6, &QPushButton::clicked, this, [this] { programAllCards(); });
    connect(m_ui->Command7, &QPushButton::clicked, this, [this] { clearAllReaders(); });
    connect(m_ui->Command8, &QPushButton::clicked, this, [this] { openBands(); });
    connect(m_ui->Command9, &QPushButton::clicked, this, [this] { openPassword(); });
    connect(m_ui->Command10, &QPushButton::clicked, this, [this] { runInspection(); });
    // The holidays form's button, beside the bands it acts on.
    auto* holidays = new QPushButton(QStringLiteral("Festività"), m_ui->Buttons); // owned by the panel
    holidays->setObjectName(QStringLiteral("Command11"));
    holidays->setMinimumSize(m_ui->Command8->minimumSize());
    m_ui->Buttons_layout->addWidget(holidays, 3, 0);
    connect(holidays, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openHolidays(); }));
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

void FrmFunzAgg::openInPlace(QWidget* tool) {
    hide();
    tool->show();
}

void FrmFunzAgg::comeBack(QWidget* tool) {
    tool->deleteLater();
    showPresencePicture();
    show();
}

void FrmFunzAgg::printUsersList() {
    if (!m_session.database()) {
        return; // no session database: nothing to list (the start-up has said why)
    }
    ReportPrinting::printUsersList(this, m_session.op(), *m_session.database(), m_session.folder());
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
    if (!m_session.database() || !m_session.bus()) {
        return; // no session database: nothing to program (the start-up has said why)
    }
    std::vector<ProgramAllCards::Card> cards;
    try {
        cards = ProgramAllCards::loadCards(*m_session.database());
    } catch (const DatabaseError& error) {
        m_session.op().message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    const AppState& state = m_session.state();
    if (!ProgramAllCards::mayStart(cards.size(), state.readers.count(), state.pollingOn, state.outputOn,
                                   m_session.op())) {
        return;
    }
    setEnabled(false);
    ProgramAllCards::run(state.readers, *m_session.bus(), m_session.op(), m_session.clock(), m_session.pump(),
                         m_session.settings().QuattroCifre, cards);
    setEnabled(true);
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
    std::shared_ptr<Database> report;
    const std::string path = m_session.folder().reportDatabase();
    try {
        report = Database::open(path, false);
    } catch (const DatabaseError& error) {
        m_session.op().message("Errore", Database::unusableFileMessage(path, error.what()),
                               MsgIcon::Critical);
        return;
    }
    FrmViewStoria* viewer = nullptr;
    try {
        viewer = new FrmViewStoria(m_session.database(), report, m_session.op(), m_session.clock(),
                                   m_session.folder()); // freed once it has returned
    } catch (const DatabaseError& error) {
        m_session.op().message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    // Online records still waiting are stored before any deletion, so it never misses them.
    viewer->setBeforeDeletion([this] {
        if (PollingStep* step = m_session.pollingStep()) {
            step->storeWaitingRecords();
        }
        if (PendingJournal* journal = m_session.downloadJournal()) {
            journal->replay();
        }
    });
    // The viewer has no return action of its own: its accepted close is its way back.
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    connect(viewer, &QObject::destroyed, this, [this] {
        showPresencePicture();
        show();
    });
    openInPlace(viewer);
}

void FrmFunzAgg::resetAntiPassback() {
    if (!m_session.database()) {
        return; // no session database: nothing to reset (the start-up has said why)
    }
    AntiPassbackReset reset(*m_session.database(), m_session.settings(), m_session.settingsFile(),
                            m_session.op());
    if (reset.run() != AntiPassbackReset::Outcome::Done) {
        return;
    }
    if (PollingStep* step = m_session.pollingStep()) {
        // A counter that could not be saved, or disagreed with `presenti`, is settled now.
        step->status().clearCounterProblem();
        step->dropWaitingPresence();
    }
    showPresencePicture();
    emit presenceReset();
}

void FrmFunzAgg::openBands() {
    if (!switchesOff()) {
        return;
    }
    FrmFasceOnline* bands = nullptr;
    try {
        bands = new FrmFasceOnline(m_session); // freed once it has returned
    } catch (const DatabaseError& error) {
        m_session.op().message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    connect(bands, &FrmFasceOnline::closed, this, [this, bands] { comeBack(bands); });
    openInPlace(bands);
}

void FrmFunzAgg::openHolidays() {
    if (!m_session.database() || !switchesOff()) {
        return; // without a session database the start-up has said why
    }
    // A store error while it loads is shown by the slot guard, and this form stays.
    auto* holidays = new FrmFestivita(m_session); // freed once it has returned
    connect(holidays, &FrmFestivita::closed, this, [this, holidays] { comeBack(holidays); });
    openInPlace(holidays);
}

void FrmFunzAgg::openPassword() {
    auto* password = new FrmGestPassw(m_session.folder(), m_session.op()); // freed once it has returned
    password->setOnReturn([this, password] { comeBack(password); });
    openInPlace(password);
}

void FrmFunzAgg::runInspection() {
    if (RandomInspection* inspection = m_session.inspection()) {
        inspection->runNow();
    }
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
