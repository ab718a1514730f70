#include "FrmCardsAbil.hpp"

#include "ui_FrmCardsAbil.h"

#include "FrmCardSearch.hpp"
#include "FrmDefFasce.hpp"
#include "FrmFasceOnline.hpp"
#include "FrmPassAbil.hpp"

#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "masterdata/UserFormPresenter.hpp"
#include "readers/AppState.hpp"
#include "session/Session.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QStyle>

namespace sentinex {

namespace {

using Text = UserFormPresenter::Text;
using Flag = UserFormPresenter::Flag;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

/// Sets a text box only when it differs, so the operator's cursor stays where it is.
void showText(QLineEdit& box, const std::string& text) {
    const QString value = qt(text);
    if (box.text() != value) {
        box.setText(value);
    }
}

void choose(QAbstractButton& first, QAbstractButton& second, bool firstChosen) {
    (firstChosen ? first : second).setChecked(true);
}

} // namespace

FrmCardsAbil::FrmCardsAbil(Session& session, QWidget* parent)
    : FrmCardsAbil(session.database(), session.op(), session.settings(), session.state(), *session.bus(),
                   parent) {}

FrmCardsAbil::FrmCardsAbil(std::shared_ptr<Database> db, Operator& op, Settings& settings, AppState& state,
                           ReaderBus& bus, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmCardsAbil>()), m_db(std::move(db)), m_op(op),
      m_settings(settings), m_pump(std::make_unique<QtEventPump>()),
      m_presenter(std::make_unique<UserFormPresenter>(m_db, op, settings, state, bus, *m_pump)) {
    m_ui->setupUi(this);
    // `Command6` is a picture without an action; an empty button would look broken to the operator.
    m_ui->Command6->setIcon(style()->standardIcon(QStyle::SP_FileDialogInfoView));
    // Browse mode shows the user in locked frames; their values are what the operator reads, so the
    // locked text stays dark instead of the style's faint grey.
    for (QWidget* frame : {m_ui->Frame1, m_ui->Frame2, m_ui->Frame6, m_ui->Frame11}) {
        QPalette readable = frame->palette();
        const QColor text = readable.color(QPalette::Active, QPalette::Text);
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
            readable.setColor(QPalette::Disabled, role, text);
        }
        frame->setPalette(readable);
    }
    // A save or a run shows its state before it lets any event through.
    m_presenter->setOnChange([this] { render(); });
    m_presenter->setOnPresenceRemoved([this](int removed) { emit presenceRemoved(removed); });
    connectControls();
    m_presenter->open();
    render();
}

FrmCardsAbil::~FrmCardsAbil() = default;

bool FrmCardsAbil::editing() const {
    return m_presenter->editing();
}

bool FrmCardsAbil::registering() const {
    return m_presenter->registering();
}

const std::array<int, 64>& FrmCardsAbil::readerFlags() const {
    return m_presenter->readerFlags();
}

template <typename Sender, typename Signal, typename F>
void FrmCardsAbil::guard(Sender* sender, Signal signal, F action) {
    connect(sender, signal, this, [this, action](auto&&... args) {
        if (m_rendering) {
            return; // the window itself is showing the presenter's state
        }
        SlotGuard::run(m_op, [&] { action(args...); });
        render();
    });
}

void FrmCardsAbil::connectControls() {
    auto& ui = *m_ui;
    UserFormPresenter& p = *m_presenter;
    guard(ui.Command12, &QPushButton::clicked, [&p](bool) { p.first(); });
    guard(ui.Command2, &QPushButton::clicked, [&p](bool) { p.previous(); });
    guard(ui.Command1, &QPushButton::clicked, [&p](bool) { p.next(); });
    guard(ui.Command13, &QPushButton::clicked, [&p](bool) { p.last(); });
    guard(ui.Command3, &QPushButton::clicked, [this, &p](bool) {
        p.newOrCancel();
        if (p.editing()) {
            m_ui->Text1->setFocus();
        }
    });
    guard(ui.Command4, &QPushButton::clicked, [this, &p](bool) {
        p.modifyOrSave();
        if (p.editing()) {
            m_ui->Text1->setFocus();
        }
    });
    guard(ui.Command5, &QPushButton::clicked, [&p](bool) { p.remove(); });
    guard(ui.Command7, &QPushButton::clicked, [this](bool) { close(); });
    guard(ui.Command8, &QPushButton::clicked, [this](bool) { associateReaders(); });
    guard(ui.Command9, &QPushButton::clicked, [this](bool) { showBands(); });
    guard(ui.Command10, &QPushButton::clicked, [this](bool) { openSearch(); });
    guard(ui.Command11, &QPushButton::clicked, [&p](bool) { p.upload(); });
    guard(ui.Command14, &QPushButton::clicked, [&p](bool) { p.release(); });
    // While the registration waits, its button is the wait's own stop: it acts under the run.
    connect(ui.Command15, &QPushButton::clicked, this, [this, &p] {
        if (m_rendering) {
            return;
        }
        if (p.registering()) {
            SlotGuard::runAlways(m_op, [&p] { p.registerCard(); });
        } else {
            SlotGuard::run(m_op, [&p] { p.registerCard(); });
        }
        render();
    });

    const std::pair<QLineEdit*, Text> boxes[] = {{ui.Text1, Text::Surname},
                                                 {ui.Text2, Text::FirstName},
                                                 {ui.Text3, Text::Address},
                                                 {ui.Text4, Text::CardNumber},
                                                 {ui.Text5, Text::Notes}};
    for (const auto& [box, field] : boxes) {
        guard(box, &QLineEdit::textChanged,
              [&p, field = field](const QString& text) { p.setText(field, text.toStdString()); });
    }
    guard(ui.Combo1, &QComboBox::editTextChanged,
          [&p](const QString& text) { p.setText(Text::BandName, text.toStdString()); });

    // Boxes and options follow their checked state, however it was set (a click, the keyboard or
    // assistive technology); the presenter takes a value it already has without acting twice.
    const std::pair<QAbstractButton*, Flag> ticks[] = {{ui.Check1, Flag::CardEnabled},
                                                       {ui.Check5, Flag::Online},
                                                       {ui.Check2, Flag::Output1},
                                                       {ui.Check3, Flag::Output2},
                                                       {ui.Check4, Flag::BandsApply}};
    for (const auto& [box, flag] : ticks) {
        guard(box, &QAbstractButton::toggled, [&p, flag = flag](bool on) { p.setFlag(flag, on); });
    }
    // An option reacts to being chosen (toggled on); the one it replaces says nothing, so a render
    // never runs in the middle of the group's own change.
    const std::pair<QAbstractButton*, QAbstractButton*> pairs[] = {{ui.Option1, ui.Option2},
                                                                   {ui.Option3, ui.Option4},
                                                                   {ui.Option5, ui.Option6},
                                                                   {ui.Option7, ui.Option8}};
    const Flag pairFlags[] = {Flag::CheckInputs, Flag::InputsAnd, Flag::Input1On, Flag::Input2On};
    for (std::size_t i = 0; i < std::size(pairs); ++i) {
        const Flag flag = pairFlags[i];
        onChosen(pairs[i].first, [&p, flag] { p.setFlag(flag, true); });
        onChosen(pairs[i].second, [&p, flag] { p.setFlag(flag, false); });
    }
    const std::pair<QAbstractButton*, int> bands[] = {
        {ui.Option12, 0}, {ui.Option9, 1}, {ui.Option10, 2}, {ui.Option11, 3}};
    for (const auto& [option, band] : bands) {
        onChosen(option, [&p, band = band] { p.chooseStandAloneBand(band); });
    }
}

template <typename F> void FrmCardsAbil::onChosen(QAbstractButton* option, F action) {
    connect(option, &QAbstractButton::toggled, this, [this, action](bool on) {
        if (!on || m_rendering) {
            return;
        }
        SlotGuard::run(m_op, action);
        render();
    });
}

void FrmCardsAbil::render() {
    if (m_rendering) {
        return;
    }
    m_rendering = true;
    const UserFormView v = m_presenter->view();
    auto& ui = *m_ui;
    const UserRecord& u = v.record;

    ui.Label6->showText(qt(v.browse.counter));
    ui.Command3->setText(qt(v.browse.newOrCancelCaption));
    ui.Command4->setText(qt(v.browse.modifyOrSaveCaption));
    ui.Command15->setText(qt(v.registerCaption));
    for (QPushButton* nav : {ui.Command12, ui.Command2, ui.Command1, ui.Command13}) {
        nav->setEnabled(v.browse.navigate);
    }
    ui.Command3->setEnabled(v.browse.newOrCancel);
    ui.Command4->setEnabled(v.browse.modifyOrSave);
    ui.Command5->setEnabled(v.browse.remove);
    ui.Command7->setEnabled(v.browse.exit);
    ui.Command6->setEnabled(v.info);
    ui.Command8->setEnabled(v.associate);
    ui.Command9->setEnabled(v.bands);
    ui.Command10->setEnabled(v.search);
    ui.Command11->setEnabled(v.upload);
    ui.Command14->setEnabled(v.release);
    ui.Command15->setEnabled(v.registerCard);

    showText(*ui.Text1, u.surname);
    showText(*ui.Text2, u.firstName);
    showText(*ui.Text3, u.address);
    showText(*ui.Text4, u.cardNumber);
    showText(*ui.Text5, u.notes);
    ui.Check1->setChecked(u.cardEnabled);
    ui.Check5->setChecked(u.online);
    ui.Check2->setChecked(u.output1);
    ui.Check3->setChecked(u.output2);
    ui.Check4->setChecked(u.bandsApply);
    if (v.noUser) {
        // An empty table shows no choice at all; an exclusive group needs to be open to clear.
        for (QButtonGroup* group : {ui.inputCheck, ui.inputMethod, ui.input1, ui.input2, ui.standAlone}) {
            group->setExclusive(false);
            for (QAbstractButton* option : group->buttons()) {
                option->setChecked(false);
            }
            group->setExclusive(true);
        }
    } else {
        choose(*ui.Option1, *ui.Option2, u.checkInputs);
        choose(*ui.Option3, *ui.Option4, u.inputsAnd);
        choose(*ui.Option5, *ui.Option6, u.input1On);
        choose(*ui.Option7, *ui.Option8, u.input2On);
        QAbstractButton* standAlone[] = {ui.Option12, ui.Option9, ui.Option10, ui.Option11};
        if (v.standAloneChoice >= 0 && v.standAloneChoice <= 3) {
            standAlone[v.standAloneChoice]->setChecked(true);
        }
    }
    QStringList names;
    for (const std::string& name : v.bandNames) {
        names << qt(name);
    }
    QStringList listed;
    for (int i = 0; i < ui.Combo1->count(); ++i) {
        listed << ui.Combo1->itemText(i);
    }
    if (listed != names) {
        ui.Combo1->clear();
        ui.Combo1->addItems(names);
    }
    if (ui.Combo1->currentText() != qt(u.bandName)) {
        ui.Combo1->setEditText(qt(u.bandName));
    }
    ui.Combo1->setEnabled(v.bandChooserEnabled);

    ui.Frame1->setEnabled(v.framesOn);
    ui.Frame2->setEnabled(v.framesOn);
    ui.Frame6->setVisible(v.onlineFrameVisible);
    ui.Frame11->setVisible(!v.onlineFrameVisible);
    ui.Frame6->setEnabled(v.framesOn && v.onlineFrameVisible);
    ui.Frame11->setEnabled(v.framesOn && !v.onlineFrameVisible);
    ui.Option12->setEnabled(true);
    QAbstractButton* defined[] = {ui.Option9, ui.Option10, ui.Option11};
    for (std::size_t i = 0; i < 3; ++i) {
        defined[i]->setEnabled(v.standAloneAvailable[i]);
    }
    m_rendering = false;
}

void FrmCardsAbil::openChild(std::unique_ptr<QWidget> window) {
    m_child = std::move(window);
    setEnabled(false);
    m_child->show();
    m_child->activateWindow();
}

void FrmCardsAbil::childClosed() {
    if (!m_child) {
        return;
    }
    // The window is still inside its own close: it goes once control is back in the event loop.
    m_child.release()->deleteLater();
    setEnabled(true);
    activateWindow();
    render();
}

template <typename Window, typename Signal> void FrmCardsAbil::connectClosed(Window* window, Signal closed) {
    // The child has already accepted its close: the users form comes back whatever else is going on.
    connect(window, closed, this,
            [this](auto&&...) { SlotGuard::runAlways(m_op, [this] { childClosed(); }); });
}

void FrmCardsAbil::associateReaders() {
    const auto locations = m_presenter->readerAssociation();
    if (!locations) {
        return;
    }
    auto form =
        std::make_unique<FrmPassAbil>(m_op, *locations, m_presenter->readerFlags(), m_presenter->editing());
    connect(form.get(), &FrmPassAbil::flagsChosen, this, [this](const FrmPassAbil::Flags& flags) {
        SlotGuard::run(m_op, [&] { m_presenter->setReaderFlags(flags); });
    });
    connectClosed(form.get(), &FrmPassAbil::closed);
    openChild(std::move(form));
}

void FrmCardsAbil::showBands() {
    const UserFormPresenter::BandViewer viewer = m_presenter->bandViewer();
    if (viewer.kind == UserFormPresenter::BandViewer::Kind::StandAlone) {
        auto form = std::make_unique<FrmDefFasce>(m_op, m_settings, viewer.chosen);
        connectClosed(form.get(), &FrmDefFasce::closed);
        openChild(std::move(form));
    } else if (viewer.kind == UserFormPresenter::BandViewer::Kind::Online) {
        auto form = std::make_unique<FrmFasceOnline>(m_db, m_op);
        form->showForUser(viewer.band, viewer.cardNumber);
        connectClosed(form.get(), &FrmFasceOnline::closed);
        openChild(std::move(form));
    }
}

void FrmCardsAbil::openSearch() {
    auto form = std::make_unique<FrmCardSearch>(m_op);
    connect(form.get(), &FrmCardSearch::searchRequested, this,
            [this](FrmCardSearch::Mode mode, const QString& text) {
                SlotGuard::run(m_op, [&] {
                    m_presenter->search(mode == FrmCardSearch::ByCardNumber ? CardSearch::Field::CardNumber
                                                                            : CardSearch::Field::Surname,
                                        text.toStdString());
                });
                render();
            });
    connectClosed(form.get(), &FrmCardSearch::closed);
    openChild(std::move(form));
}

void FrmCardsAbil::closeEvent(QCloseEvent* event) {
    // No window goes from under a run; in edit mode the form waits for "Salva dati" or "Annulla"; a
    // window opened in its place has to close first.
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    if (m_presenter->editing() || m_presenter->busy() || m_child) {
        event->ignore();
        return;
    }
    event->accept();
    emit returnedToMain();
}

void FrmCardsAbil::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_presenter->editing()) {
        m_ui->Command3->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_presenter->editing()) {
        m_ui->Command4->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sentinex
