#include "FrmConfLettori.hpp"

#include "FrmUtilVireo.hpp"
#include "ui_FrmConfLettori.h"

#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "readers/programming/ReaderFormPresenter.hpp"
#include "session/Session.hpp"
#include "ui/common/ReadablePalette.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>

namespace sentinex {

namespace {

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
    : QWidget(parent), m_session(session), m_ui(std::make_unique<Ui::FrmConfLettori>()) {
    m_ui->setupUi(this);
    m_presenter = std::make_unique<ReaderFormPresenter>(ReaderFormPresenter::Context{
        session.database(), session.op(), session.clock(), session.pump(), session.settings(),
        [&session] { return session.bus(); }, [&session] { session.loadReaderList(); }});
    m_presenter->setOnChange([this] { render(); });
    ReaderFormPresenter& p = *m_presenter;
    // Every command goes through the slot guard; while the card-file utility is open (its run does
    // not show the wait form) this form takes no command either.
    auto act = [this](auto f) {
        return SlotGuard::wrap(m_session.op(), [this, f]() mutable {
            if (!m_utility) {
                f();
            }
        });
    };
    connect(m_ui->Command1, &QPushButton::clicked, this, act([&p] { p.next(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this, act([&p] { p.previous(); }));
    connect(m_ui->Command3, &QPushButton::clicked, this, act([&p] { p.newOrCancel(); }));
    connect(m_ui->Command4, &QPushButton::clicked, this, act([this, &p] { p.modifyOrSave(readForm()); }));
    connect(m_ui->Command5, &QPushButton::clicked, this, act([&p] { p.remove(); }));
    connect(m_ui->Command6, &QPushButton::clicked, this, act([this, &p] { p.program(readForm()); }));
    connect(m_ui->Command7, &QPushButton::clicked, this, act([this] { leave(); }));
    connect(m_ui->Command8, &QPushButton::clicked, this, act([this] { openUtilities(); }));
    keepReadableWhenDisabled(*this);
    compactNumberBoxes();
    // "Programma" and "Utilities" side by side in the middle, as wide as each other.
    m_ui->Command8->setFixedWidth(NarrowProgramWidth);
    m_ui->Frame5_layout->insertStretch(0);
    m_ui->Frame5_layout->addStretch();
    p.open();
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

void FrmConfLettori::render() {
    const ReaderFormView& v = m_presenter->view();
    const BrowseView& b = v.browse;
    if (v.choosers && !m_wasEditing) {
        // Entering new or modify: the lists take the shown type and state (none for a new reader).
        m_ui->Combo1->setCurrentIndex(m_ui->Combo1->findText(q(v.form.type)));
        m_ui->Combo2->setCurrentIndex(m_ui->Combo2->findText(q(v.form.state)));
    }
    m_wasEditing = v.choosers;
    showForm(v.form);
    m_ui->Label11->showText(q(b.counter));
    m_ui->Command3->setText(q(b.newOrCancelCaption));
    m_ui->Command4->setText(q(b.modifyOrSaveCaption));
    m_ui->Command1->setEnabled(b.navigate);
    m_ui->Command2->setEnabled(b.navigate);
    m_ui->Command3->setEnabled(b.newOrCancel);
    m_ui->Command4->setEnabled(b.modifyOrSave);
    m_ui->Command5->setEnabled(b.remove);
    m_ui->Command6->setEnabled(v.program);
    m_ui->Command7->setEnabled(b.exit && !b.editing);
    m_ui->Command8->setEnabled(v.utilities);
    m_ui->Command6->setFixedWidth(v.utilitiesVisible ? NarrowProgramWidth : WideProgramWidth);
    m_ui->Command8->setVisible(v.utilitiesVisible);
    m_ui->Text2->setVisible(!v.choosers);
    m_ui->Text6->setVisible(!v.choosers);
    m_ui->Combo1->setVisible(v.choosers);
    m_ui->Combo2->setVisible(v.choosers);
    for (QWidget* w : {static_cast<QWidget*>(m_ui->Frame1), static_cast<QWidget*>(m_ui->Frame2),
                       static_cast<QWidget*>(m_ui->Frame3), static_cast<QWidget*>(m_ui->Frame6)}) {
        w->setEnabled(v.fieldsEnabled);
    }
    // Without the L-485 board every reader is on loop 1: the loop is not typed.
    m_ui->Text9->setEnabled(v.loopEnabled);
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
    const bool choosing = m_ui->Combo1->isVisibleTo(this);
    f.type = s(choosing ? m_ui->Combo1->currentText() : m_ui->Text2->text());
    f.location = s(m_ui->Text3->text());
    f.siteCode = s(m_ui->Text4->text());
    f.opening = s(m_ui->Text5->text());
    f.state = s(choosing ? m_ui->Combo2->currentText() : m_ui->Text6->text());
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

void FrmConfLettori::openUtilities() {
    const ReaderFormView& v = m_presenter->view();
    if (m_utility || !v.utilities) {
        return;
    }
    // The reader shown: its address, site code and loop as the fields hold them.
    const ReaderAddress reader{static_cast<int>(wholeValue(v.form.loop)), wholeValue(v.form.address),
                               wholeValue(v.form.siteCode)};
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
    if (!m_presenter->leave()) {
        return;
    }
    hide();
    if (m_onReturn) {
        SlotGuard::runAlways(m_session.op(), [this] { m_onReturn(); });
    }
}

void FrmConfLettori::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    const ReaderFormView& v = m_presenter->view();
    if (v.browse.editing || v.running || m_utility) {
        // As "Ritorna alla pagina principale", which is disabled while editing or programming; while
        // the card-file utility is open the form waits for it.
        event->ignore();
        return;
    }
    event->accept();
    SlotGuard::run(m_session.op(), [this] { leave(); });
}

} // namespace sentinex
