#include "ui/main/FrmMain.hpp"

#include "ui_FrmMain.h"

#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "inspection/RandomInspection.hpp"
#include "online/PollingStep.hpp"
#include "readers/AppState.hpp"
#include "session/Session.hpp"
#include "ui/admin/FrmChkPassw.hpp"
#include "ui/admin/FrmFunzAgg.hpp"
#include "ui/admin/FrmProgSetup.hpp"
#include "ui/common/SlotGuard.hpp"
#include "ui/masterdata/FrmCardsAbil.hpp"
#include "ui/readers/FrmConfLettori.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>
#include <filesystem>

namespace sentinex {

namespace {

constexpr int kRed = static_cast<int>(LampColour::Red);
constexpr int kGreen = static_cast<int>(LampColour::Green);
constexpr int kAnimationFrames = 13;
constexpr int kPictureSize = 40;

QString display(const std::string& text) {
    // Messages use CR LF as line break; a label wants a bare LF.
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

/// Frame `i` of the polling animation: an arc turning once round the dial in 13 steps.
QPixmap pollingPicture(int i) {
    QPixmap pm(kPictureSize, kPictureSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF dial(5, 5, kPictureSize - 10, kPictureSize - 10);
    p.setPen(QPen(QColor(190, 200, 210), 5));
    p.drawEllipse(dial);
    p.setPen(QPen(QColor(20, 110, 200), 5, Qt::SolidLine, Qt::RoundCap));
    const int start = 90 * 16 - i * 360 * 16 / kAnimationFrames; // clockwise from the top
    p.drawArc(dial, start, -110 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 110, 200));
    p.drawEllipse(dial.center(), 3.5, 3.5);
    return pm;
}

/// The "Output automatico" picture: a lamp, dark when off, lit with rays when on.
QPixmap outputPicture(bool on) {
    QPixmap pm(kPictureSize, kPictureSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(kPictureSize / 2.0, kPictureSize / 2.0 - 3);
    if (on) {
        p.setPen(QPen(QColor(230, 160, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
        for (int k = 0; k < 8; ++k) {
            const double a = k * M_PI / 4;
            p.drawLine(c + QPointF(std::cos(a) * 13, std::sin(a) * 13),
                       c + QPointF(std::cos(a) * 18, std::sin(a) * 18));
        }
    }
    p.setPen(QPen(QColor(70, 70, 70), 1.5));
    p.setBrush(on ? QColor(255, 220, 40) : QColor(170, 170, 170));
    p.drawEllipse(c, 10, 10);
    p.setBrush(QColor(110, 110, 110));
    p.drawRect(QRectF(c.x() - 5, c.y() + 10, 10, 7));
    return pm;
}

QLabel* pictureControl(QWidget* parent, const QString& name, const QPixmap& pm) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(pm);
    label->hide(); // a store of pictures, like the invisible picture controls of the form
    return label;
}

} // namespace

FrmMain::FrmMain(Session& session, std::function<void(int)> quit, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmMain>()), m_session(session), m_quit(std::move(quit)) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, true);
    if (!m_quit) {
        m_quit = [](int code) {
            QApplication::closeAllWindows();
            QCoreApplication::exit(code);
        };
    }

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timerBackup = new QTimer(this);
    m_timerBackup->setObjectName(QStringLiteral("TimerBackup"));
    // Ticks run whatever is on screen (a run keeps polling and the schedule out by its own checks); a
    // person's clicks wait for the end of a run. Nothing a slot meets goes into the event loop.
    Operator& op = m_session.op();
    connect(m_timer1, &QTimer::timeout, this, SlotGuard::wrapAlways(op, [this] { onTimer1(); }));
    connect(m_timer2, &QTimer::timeout, this, SlotGuard::wrapAlways(op, [this] { onTimer2(); }));
    connect(m_timer3, &QTimer::timeout, this, SlotGuard::wrapAlways(op, [this] { onTimer3(); }));
    connect(m_timerBackup, &QTimer::timeout, this,
            SlotGuard::wrapAlways(op, [this] { m_session.backupTick(); }));

    buildPictures();
    m_ui->Command4->setIconSize(QSize(kPictureSize, kPictureSize));
    m_ui->Command6->setIconSize(QSize(kPictureSize, kPictureSize));

    connect(m_ui->Command4, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { onCommand4Clicked(); }));
    connect(m_ui->Command6, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { onCommand6Clicked(); }));
    connect(m_ui->Command5, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { onCommand5Clicked(); }));
    connect(m_ui->Command1, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { openGuardedForm(GuardedForm::CardsAbil); }));
    connect(m_ui->Command2, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { openGuardedForm(GuardedForm::ProgSetup); }));
    connect(m_ui->Command3, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { openGuardedForm(GuardedForm::ConfLettori); }));
    connect(m_ui->Command7, &QPushButton::clicked, this,
            SlotGuard::wrap(op, [this] { openGuardedForm(GuardedForm::FunzAgg); }));
    // Command8 carries a caption only.

    setIndicator(m_ui->Label1, false);
    setIndicator(m_ui->Label2, false);
    // The lamps stay neutral until the first card: neither a grant nor a refusal has happened yet.
}

FrmMain::~FrmMain() = default;

void FrmMain::buildPictures() {
    for (int i = 0; i < kAnimationFrames; ++i) {
        m_image1.push_back(pictureControl(this, QStringLiteral("Image1(%1)").arg(i), pollingPicture(i)));
    }
    m_image2.push_back(pictureControl(this, QStringLiteral("Image2(0)"), outputPicture(false)));
    m_image2.push_back(pictureControl(this, QStringLiteral("Image2(1)"), outputPicture(true)));
}

int FrmMain::load() {
    setWindowTitle(QStringLiteral("Sentinex  - Versione %1.%2 - SX003")
                       .arg(SENTINEX_VERSION_MAJOR)
                       .arg(SENTINEX_VERSION_MINOR));
    const Session::Start started = m_session.start(*this);
    if (started != Session::Start::Ready) {
        return Session::exitCode(started);
    }

    const AppState& state = m_session.state();
    showPresence(trim(std::to_string(m_session.settings().Utenti)));
    setIndicator(m_ui->Label1, state.pollingOn);
    setIndicator(m_ui->Label2, state.outputOn);
    m_ui->Command4->setIcon(QIcon(m_image1[static_cast<std::size_t>(state.animationFrame)]->pixmap()));
    m_ui->Command6->setIcon(QIcon(m_image2[0]->pixmap()));

    m_timer1->stop();
    m_timer2->stop();
    m_timer3->stop();
    m_timer2->setInterval(10000);
    m_timer3->setInterval(60000);
    applyTimer1Interval();
    m_timer3->start();
    // Short ticks: each one is a slice of a few milliseconds at most, so the polling timer keeps its pace.
    m_timerBackup->setInterval(BackupTickMs);
    m_timerBackup->start();
    // Off after start-up, unless the session resumed them after an unexpected end.
    setPolling(state.pollingOn);
    setOutput(state.outputOn);
    return 0;
}

void FrmMain::loadReaderList() {
    m_session.loadReaderList();
    applyTimer1Interval();
}

void FrmMain::applyTimer1Interval() {
    const int interval = m_session.pollingIntervalMs();
    m_timer1->setInterval(interval);
    if (PollingStep* step = m_session.pollingStep()) {
        const bool on = m_session.state().pollingOn && m_session.state().readers.count() > 0;
        step->status().setPollingNote(
            on ? PollingStep::pollingSettingNote(m_session.settings().Polling, interval) : std::string());
    }
    // An interval of 0 means no tick at all (a Qt timer of 0 would fire continuously).
    if (interval <= 0) {
        m_timer1->stop();
    } else if (m_session.state().pollingOn && !m_timer1->isActive()) {
        m_timer1->start();
    }
}

void FrmMain::setIndicator(QLabel* label, bool on) {
    const int colour = on ? kGreen : kRed;
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, backColourToQColor(colour));
    label->setPalette(pal);
    label->setProperty("backColour", colour);
    label->setAccessibleDescription(on ? QStringLiteral("attivo") : QStringLiteral("disattivo"));
}

void FrmMain::updateToolButtons() {
    const bool enabled = m_session.state().toolButtonsEnabled();
    m_ui->Command2->setEnabled(enabled);
    m_ui->Command3->setEnabled(enabled);
}

void FrmMain::setPolling(bool on) {
    m_session.state().pollingOn = on;
    setIndicator(m_ui->Label1, on);
    if (on) {
        applyTimer1Interval();
    } else {
        m_timer1->stop();
        if (PollingStep* step = m_session.pollingStep()) {
            step->status().setPollingNote({});
        }
    }
    updateToolButtons();
    m_session.switchesChanged();
}

void FrmMain::setOutput(bool on) {
    m_session.state().outputOn = on;
    setIndicator(m_ui->Label2, on);
    m_ui->Command6->setIcon(QIcon(m_image2[on ? 1 : 0]->pixmap()));
    if (on) {
        m_timer2->start();
    } else {
        m_timer2->stop(); // the outputs keep their state
    }
    updateToolButtons();
    m_session.switchesChanged();
}

void FrmMain::onCommand4Clicked() {
    setPolling(!m_session.state().pollingOn);
}

void FrmMain::onCommand6Clicked() {
    setOutput(!m_session.state().outputOn);
}

void FrmMain::onCommand5Clicked() {
    leaveOnPurpose();
}

void FrmMain::leaveOnPurpose() {
    if (m_exitPending || m_exitAsked) {
        return;
    }
    const AppState& state = m_session.state();
    if (!state.pollingOn && !state.outputOn) {
        requestExit();
        return;
    }
    // A click arrives while a step waits for its reader: a box opened there would hold the step, and
    // the doors with it, for as long as the box is up. So the question waits for the step's end, and
    // polling goes on while it is on screen.
    m_exitAsked = true;
    const auto ask = [this] {
        m_exitAsked = false;
        if (m_session.confirmExit()) {
            requestExit();
        }
    };
    if (PollingStep* step = m_session.pollingStep()) {
        step->afterStep(ask);
    } else {
        ask();
    }
}

void FrmMain::requestExit(int code) {
    if (m_exitPending) {
        return;
    }
    m_exitCode = code;
    m_exitPending = true;
    m_timer1->stop();
    m_timer2->stop();
    m_timer3->stop();
    m_timerBackup->stop();
    // A card the reader has already reported is recorded before the program ends; otherwise at once.
    PollingStep* step = m_session.pollingStep();
    if (step && step->recordPending()) {
        hide();
        step->afterStep([this] { quitNow(); });
        return;
    }
    quitNow();
}

void FrmMain::quitNow() {
    m_session.endedOnPurpose();
    m_quit(m_exitCode);
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    if (!m_exitPending) {
        event->ignore();
        SlotGuard::run(m_session.op(), [this] { leaveOnPurpose(); });
        return;
    }
    event->accept();
}

void FrmMain::onTimer1() {
    m_session.state().nextAnimationFrame();
    m_ui->Command4->setIcon(
        QIcon(m_image1[static_cast<std::size_t>(m_session.state().animationFrame)]->pixmap()));
    if (m_exitPending || !m_session.state().pollingOn || m_session.state().readers.count() == 0) {
        return;
    }
    // A tick that arrives while a step waits for its reader is skipped: one step at a time.
    if (m_session.state().stepInProgress || !m_session.pollingStep()) {
        return;
    }
    runPollingStep(m_session.state().currentReader);
    m_session.state().advanceReader();
}

void FrmMain::runPollingStep(int readerIndex) {
    m_session.pollingStep()->run(readerIndex);
    // Switching polling off during the step left the tool buttons disabled until now.
    updateToolButtons();
}

void FrmMain::onTimer2() {
    if (m_exitPending || !m_session.state().outputOn) {
        return;
    }
    if (const std::optional<int> value = m_session.scheduledOutput()) {
        m_session.setReaderOutputs(*value);
    }
}

void FrmMain::onTimer3() {
    if (RandomInspection* inspection = m_session.inspection()) {
        inspection->tick();
    }
}

void FrmMain::keyPressEvent(QKeyEvent* event) {
    const bool unlockKey = event->key() == Qt::Key_F1 || event->text() == QStringLiteral("A") ||
                           event->text() == QStringLiteral("a");
    if (!unlockKey) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat()) {
        return; // a held key unlocks once
    }
    SlotGuard::run(m_session.op(), [this] { manualUnlock(); });
}

void FrmMain::manualUnlock() {
    const int count = m_session.state().readers.count();
    if (count < 1) {
        return;
    }
    if (count == 1) {
        m_session.unlockReader(0);
        return;
    }
    const std::string answer =
        m_session.op().inputBox("Inserire il numero del lettore da sbloccare", "Sentinex");
    const double v = leadingNumber(answer);
    if (v < 1 || v > count) {
        return;
    }
    m_session.unlockReader(static_cast<int>(roundHalfEven(v - 1)));
}

void FrmMain::openGuardedForm(GuardedForm form) {
    // The password first; the form then replaces this window until it returns, so the switches cannot
    // change while it works on the readers.
    const PasswordAccess access = askPassword(m_session, this);
    // A refused file has been told; the program goes on running the doors.
    if (access != PasswordAccess::Granted) {
        return;
    }
    QWidget* opened = nullptr;
    if (form == GuardedForm::CardsAbil) {
        auto* cards = new FrmCardsAbil(m_session); // freed by Qt once it has returned
        connect(cards, &FrmCardsAbil::presenceRemoved, this,
                [this](int removed) { showPresence(std::to_string(m_session.presenceRemoved(removed))); });
        connect(cards, &FrmCardsAbil::returnedToMain, this, [this, cards] {
            show();
            cards->deleteLater();
        });
        opened = cards;
    } else if (form == GuardedForm::ProgSetup) {
        auto* setup = new FrmProgSetup(m_session); // freed by Qt once it has returned
        connect(setup, &FrmProgSetup::returnedToMain, this, [this, setup] {
            applyTimer1Interval(); // a saved "Polling" changes the interval
            show();
            setup->deleteLater();
        });
        opened = setup;
    } else if (form == GuardedForm::FunzAgg) {
        auto* funz = new FrmFunzAgg(m_session); // freed by Qt once it has returned
        connect(funz, &FrmFunzAgg::returnedToMain, this, [this, funz] {
            show();
            funz->deleteLater();
        });
        // After the reset nobody is inside: an old refusal on Label3 would say otherwise.
        // A restore waits for the next start-up: this session ends in order and a new one starts.
        connect(funz, &FrmFunzAgg::restartRequested, this, [this, funz] {
            funz->deleteLater();
            m_session.requestRestart();
            requestExit(0);
        });
        connect(funz, &FrmFunzAgg::presenceReset, this, [this] {
            showPresence(std::to_string(m_session.settings().Utenti));
            showLastEvent({});
        });
        opened = funz;
    } else if (form == GuardedForm::ConfLettori) {
        auto* conf = new FrmConfLettori(m_session); // freed by Qt once it has returned
        conf->setOnReturn([this, conf] {
            // The form has reloaded the reader list as it left (or said why it could not): only the
            // polling interval follows the new count.
            applyTimer1Interval();
            show();
            conf->deleteLater();
        });
        opened = conf;
    }
    if (!opened) {
        m_session.op().message("Messaggio", "Funzione non ancora disponibile.", MsgIcon::Information);
        return;
    }
    m_opened.showInPlace(opened);
}

void FrmMain::showLastEvent(const std::string& text) {
    m_ui->Label3->showText(display(text));
}

void FrmMain::showReceived(const std::string& text) {
    m_ui->Label8->showText(display(text));
}

void FrmMain::setLamps(LampColour colour) {
    m_ui->Shape1->setBackColour(static_cast<int>(colour));
    m_ui->Shape2->setBackColour(static_cast<int>(colour));
}

void FrmMain::showPresence(const std::string& text) {
    m_ui->Label4->showText(QString::fromStdString(text));
}

void FrmMain::showStatus(const std::string& text) {
    m_ui->LabelStato->showText(display(text));
    m_ui->LabelStato->setVisible(!text.empty());
}

void FrmMain::pollingStopped() {
    setPolling(false);
}

} // namespace sentinex
