#include "FrmConfLettori.hpp"

#include "FrmUtilVireo.hpp"
#include "ui_FrmConfLettori.h"

#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "readers/programming/ReaderProgramming.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "readers/programming/ReaderValidation.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>
#include <QPalette>

#include <algorithm>
#include <optional>

namespace sentinex {

namespace {

constexpr const char* NoReadersText = "Non ci sono lettori nel database.";
// "Programma" is 1080 twips wide beside "Utilities", 2240 alone (15 twips a pixel).
constexpr int NarrowProgramWidth = 1080 / 15;
constexpr int WideProgramWidth = 2240 / 15;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string s(const QString& text) {
    return text.toStdString();
}

} // namespace

FrmConfLettori::FrmConfLettori(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_ui(std::make_unique<Ui::FrmConfLettori>()),
      m_store(std::make_unique<ReaderStore>(session.database())) {
    m_ui->setupUi(this);
    connect(m_ui->Command1, &QPushButton::clicked, this, SlotGuard::wrap(m_session.op(), [this] { next(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { previous(); }));
    connect(m_ui->Command3, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { onCommand3(); }));
    connect(m_ui->Command4, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { onCommand4(); }));
    connect(m_ui->Command5, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { remove(); }));
    connect(m_ui->Command6, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { program(); }));
    connect(m_ui->Command7, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { leave(); }));
    connect(m_ui->Command8, &QPushButton::clicked, this,
            SlotGuard::wrap(m_session.op(), [this] { openUtilities(); }));
    // The run's own stop button: it acts while the run owns the screen.
    connect(m_ui->CommandAnnulla, &QPushButton::clicked, this, [this] { m_cancelWait = true; });
    m_ui->CommandAnnulla->setVisible(false);
    readableWhenDisabled();
    compactNumberBoxes();
    // "Programma" and "Utilities" side by side in the middle, as wide as each other.
    m_ui->Command8->setFixedWidth(NarrowProgramWidth);
    m_ui->Frame5_layout->insertStretch(0);
    m_ui->Frame5_layout->addStretch();
    open();
}

void FrmConfLettori::readableWhenDisabled() {
    // In browse mode the fields are disabled but the installer reads them: the values keep the normal
    // text colour, the captions a dark grey, so the greyed boxes still tell that they cannot be typed in.
    QPalette p = palette();
    p.setColor(QPalette::Disabled, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x50, 0x50, 0x50));
    setPalette(p);
}

void FrmConfLettori::compactNumberBoxes() {
    // Positions hold two digits: narrow boxes side by side instead of boxes across the whole form.
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("000")) + 20;
    for (QLineEdit* box : {m_ui->Text7_0, m_ui->Text7_1, m_ui->Text7_2, m_ui->Text7_3, m_ui->Text8_0,
                           m_ui->Text8_1, m_ui->Text8_2, m_ui->Text8_3, m_ui->Text8_4, m_ui->Text8_5}) {
        box->setMaximumWidth(width);
    }
    m_ui->Frame2_layout->setColumnStretch(7, 1);
}

FrmConfLettori::~FrmConfLettori() = default;

void FrmConfLettori::reload() {
    m_records = m_store->all();
    m_count = static_cast<int>(m_records.size());
}

void FrmConfLettori::open() {
    setFieldsEnabled(false);
    m_ui->Combo1->setVisible(false);
    m_ui->Combo2->setVisible(false);
    m_ui->Text2->setVisible(true);
    m_ui->Text6->setVisible(true);
    setUtilitiesFor({});
    reload();
    if (m_count == 0) {
        m_current = 0;
        m_ui->Command4->setEnabled(false);
        m_ui->Command5->setEnabled(false);
        m_ui->Command6->setEnabled(false);
        showForm(ReaderForm::cleared(false, m_session.settings().SchedaL485));
    } else {
        m_current = 1;
        showRecord();
    }
    showCounter();
}

void FrmConfLettori::setUtilitiesFor(const std::string& type) {
    const bool vireo = type == "TERA TR-X";
    m_ui->Command6->setFixedWidth(vireo ? NarrowProgramWidth : WideProgramWidth);
    m_ui->Command8->setVisible(vireo);
}

void FrmConfLettori::showRecord() {
    const ReaderRecord& r = m_records.at(static_cast<std::size_t>(m_current - 1));
    showForm(r.toForm());
    setUtilitiesFor(r.TipoLettore);
}

void FrmConfLettori::showForm(const ReaderForm& f) {
    m_ui->Text2->setText(q(f.type));
    m_ui->Text3->setText(q(f.location));
    m_ui->Text4->setText(q(f.siteCode));
    m_ui->Text5->setText(q(f.opening));
    m_ui->Text6->setText(q(f.state));
    QLineEdit* card[4] = {m_ui->Text7_0, m_ui->Text7_1, m_ui->Text7_2, m_ui->Text7_3};
    QLineEdit* code[6] = {m_ui->Text8_0, m_ui->Text8_1, m_ui->Text8_2,
                          m_ui->Text8_3, m_ui->Text8_4, m_ui->Text8_5};
    for (int i = 0; i < 4; ++i) {
        card[i]->setText(q(f.cardPos[i]));
    }
    for (int i = 0; i < 6; ++i) {
        code[i]->setText(q(f.codePos[i]));
    }
    m_ui->Text9->setText(q(f.loop));
    m_ui->Text10->setText(q(f.address));
    m_ui->Check1->setChecked(f.riscriviRam);
    m_ui->Check2->setChecked(f.testInput);
    m_ui->Check3->setChecked(f.fasceOrarie);
}

ReaderForm FrmConfLettori::readForm() const {
    ReaderForm f;
    f.type = s(m_ui->Text2->text());
    f.location = s(m_ui->Text3->text());
    f.siteCode = s(m_ui->Text4->text());
    f.opening = s(m_ui->Text5->text());
    f.state = s(m_ui->Text6->text());
    const QLineEdit* card[4] = {m_ui->Text7_0, m_ui->Text7_1, m_ui->Text7_2, m_ui->Text7_3};
    const QLineEdit* code[6] = {m_ui->Text8_0, m_ui->Text8_1, m_ui->Text8_2,
                                m_ui->Text8_3, m_ui->Text8_4, m_ui->Text8_5};
    for (int i = 0; i < 4; ++i) {
        f.cardPos[i] = s(card[i]->text());
    }
    for (int i = 0; i < 6; ++i) {
        f.codePos[i] = s(code[i]->text());
    }
    f.loop = s(m_ui->Text9->text());
    f.address = s(m_ui->Text10->text());
    f.riscriviRam = m_ui->Check1->isChecked();
    f.testInput = m_ui->Check2->isChecked();
    f.fasceOrarie = m_ui->Check3->isChecked();
    return f;
}

void FrmConfLettori::setFieldsEnabled(bool on) {
    m_ui->Frame1->setEnabled(on);
    m_ui->Frame2->setEnabled(on);
    m_ui->Frame3->setEnabled(on);
    m_ui->Frame6->setEnabled(on);
    // Without the L-485 board every reader is on loop 1: the loop is not typed.
    m_ui->Text9->setEnabled(m_session.settings().SchedaL485);
}

void FrmConfLettori::showCounter() {
    QString text;
    if (m_mode == Mode::Creating) {
        text = "Nuovo...";
    } else if (m_mode == Mode::Editing) {
        text = "Modifica...";
    } else if (m_count == 0) {
        text = "Nessun lettore presente";
    } else {
        text = QString("Record %1 su %2").arg(m_current).arg(m_count);
    }
    m_ui->Label11->showText(text);
}

void FrmConfLettori::next() {
    if (m_current < m_count) {
        ++m_current;
        showCounter();
        showRecord();
    }
}

void FrmConfLettori::previous() {
    if (m_current > 1) {
        --m_current;
        showCounter();
        showRecord();
    }
}

void FrmConfLettori::enterEditing(Mode mode) {
    m_mode = mode;
    m_ui->Command3->setText("Annulla");
    m_ui->Command4->setText("Salva dati");
    m_ui->Command4->setEnabled(true);
    m_ui->Command1->setEnabled(false);
    m_ui->Command2->setEnabled(false);
    m_ui->Command5->setEnabled(false);
    m_ui->Command6->setEnabled(false);
    m_ui->Command7->setEnabled(false);
    m_ui->Command8->setEnabled(false);
    if (mode == Mode::Creating) {
        m_ui->Combo1->setCurrentIndex(-1);
        m_ui->Combo2->setCurrentIndex(-1);
    } else {
        m_ui->Combo1->setCurrentIndex(m_ui->Combo1->findText(m_ui->Text2->text()));
        m_ui->Combo2->setCurrentIndex(m_ui->Combo2->findText(m_ui->Text6->text()));
    }
    m_ui->Text2->setVisible(false);
    m_ui->Text6->setVisible(false);
    m_ui->Combo1->setVisible(true);
    m_ui->Combo2->setVisible(true);
    showCounter();
    setFieldsEnabled(true);
    if (mode == Mode::Creating) {
        showForm(ReaderForm::cleared(true, m_session.settings().SchedaL485));
    }
    m_saved = m_current;
}

void FrmConfLettori::browseButtons() {
    m_mode = Mode::Browse;
    m_ui->Command3->setText("Nuovo lettore");
    m_ui->Command4->setText("Modifica dati lettore");
    m_ui->Command1->setEnabled(true);
    m_ui->Command2->setEnabled(true);
    m_ui->Command7->setEnabled(true);
    m_ui->Text2->setVisible(true);
    m_ui->Text6->setVisible(true);
    m_ui->Combo1->setVisible(false);
    m_ui->Combo2->setVisible(false);
    setFieldsEnabled(false);
    const bool any = m_count > 0;
    m_ui->Command4->setEnabled(any);
    m_ui->Command5->setEnabled(any);
    m_ui->Command6->setEnabled(any);
    m_ui->Command8->setEnabled(any);
    if (any) {
        m_current = std::clamp(m_current, 1, m_count);
        showRecord();
    } else {
        m_current = 0;
        showForm(ReaderForm::cleared(false, m_session.settings().SchedaL485));
        setUtilitiesFor({});
    }
    showCounter();
}

void FrmConfLettori::onCommand3() {
    if (m_mode != Mode::Browse) {
        // "Annulla": back to the record shown before.
        m_current = m_saved;
        reload();
        browseButtons();
        return;
    }
    if (m_count >= ReaderStore::Capacity) {
        m_session.op().message("Attenzione", ReaderStore::FullText, MsgIcon::Exclamation);
        return;
    }
    enterEditing(Mode::Creating);
}

void FrmConfLettori::onCommand4() {
    if (m_mode == Mode::Browse) {
        enterEditing(Mode::Editing);
    } else {
        save();
    }
}

void FrmConfLettori::save() {
    m_ui->Text2->setText(m_ui->Combo1->currentText());
    m_ui->Text6->setText(m_ui->Combo2->currentText());
    ReaderForm f = readForm();
    try {
        const std::optional<int> editing =
            m_mode == Mode::Editing ? std::optional<int>(m_saved) : std::nullopt;
        const bool valid = ReaderValidation::validate(f, m_store->loopAddresses(), editing, m_session.op());
        m_ui->Text4->setText(q(f.siteCode));
        if (!valid) {
            return;
        }
        const ReaderRecord record = ReaderRecord::fromForm(f);
        if (m_mode == Mode::Creating) {
            m_store->add(record);
        } else {
            m_store->update(m_saved, record);
        }
        reload();
        m_current = m_mode == Mode::Creating ? m_count : m_saved;
    } catch (const DatabaseError& e) {
        // The record was not stored (file locked, table full meanwhile): say why and stay in editing.
        m_session.op().message("Errore", std::string(SlotGuard::StoreErrorPrefix) + e.what(),
                               MsgIcon::Critical);
        return;
    }
    browseButtons();
}

void FrmConfLettori::remove() {
    if (m_count == 0) {
        m_session.op().message("Messaggio", NoReadersText, MsgIcon::Information);
        return;
    }
    if (m_session.op().question("Domanda", "Sei sicuro di voler eliminare il lettore ?", MsgIcon::Question) !=
        Answer::Yes) {
        return;
    }
    try {
        m_store->remove(m_current);
    } catch (const DatabaseError& e) {
        // Nothing was deleted: the reader and every user's doors are as they were.
        m_session.op().message("Errore", std::string(SlotGuard::StoreErrorPrefix) + e.what(),
                               MsgIcon::Critical);
        return;
    }
    reload();
    m_current = 1;
    browseButtons();
}

void FrmConfLettori::setRunning(bool running) {
    m_running = running;
    for (QWidget* w : {static_cast<QWidget*>(m_ui->Frame1), static_cast<QWidget*>(m_ui->Frame2),
                       static_cast<QWidget*>(m_ui->Frame3), static_cast<QWidget*>(m_ui->Frame6),
                       static_cast<QWidget*>(m_ui->Frame4), static_cast<QWidget*>(m_ui->Frame5),
                       static_cast<QWidget*>(m_ui->Command7)}) {
        w->setEnabled(!running);
    }
    m_ui->CommandAnnulla->setVisible(running);
    m_ui->CommandAnnulla->setEnabled(running);
    if (!running) {
        setFieldsEnabled(false);
    }
}

void FrmConfLettori::program() {
    if (m_count == 0) {
        m_session.op().message("Messaggio", NoReadersText, MsgIcon::Information);
        return;
    }
    if (!m_session.bus()) {
        m_session.op().message("Attenzione", "Periferica non connessa.", MsgIcon::Exclamation);
        return;
    }
    const ReaderForm f = readForm();
    m_cancelWait = false;
    setRunning(true);
    ReaderProgramming programming(*m_session.bus(), m_session.op(), m_session.clock(), m_session.pump(),
                                  m_session.settings());
    programming.run(f, [this] { return m_cancelWait; });
    setRunning(false);
    if (m_left) {
        leave();
    }
}

void FrmConfLettori::openUtilities() {
    if (m_utility || m_count == 0 || m_mode != Mode::Browse) {
        return;
    }
    // The reader shown: its address, site code and loop as the fields hold them.
    const ReaderAddress reader{static_cast<int>(wholeValue(s(m_ui->Text9->text()))),
                               wholeValue(s(m_ui->Text10->text())), wholeValue(s(m_ui->Text4->text()))};
    m_utility = std::make_unique<FrmUtilVireo>(m_session, reader);
    m_utility->setOnReturn([this] {
        // Called from inside the utility's own handler: it goes once that handler has returned.
        m_utility.release()->deleteLater();
        setEnabled(true);
        activateWindow();
    });
    setEnabled(false);
    m_utility->show();
}

void FrmConfLettori::leave() {
    if (m_running) {
        // Left during a run: the form goes once the run has ended.
        m_left = true;
        return;
    }
    m_left = false;
    // The main window reloads the list itself on return; a store error there is shown and the old
    // list stays in use.
    SlotGuard::runAlways(m_session.op(), [this] { m_session.loadReaderList(); });
    hide();
    if (m_onReturn) {
        SlotGuard::runAlways(m_session.op(), [this] { m_onReturn(); });
    }
}

void FrmConfLettori::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    if (m_mode != Mode::Browse || m_running || m_utility) {
        // As "Ritorna alla pagina principale", which is disabled while editing or programming; while
        // the card-file utility is open the form waits for it.
        event->ignore();
        return;
    }
    event->accept();
    leave();
}

} // namespace sentinex
