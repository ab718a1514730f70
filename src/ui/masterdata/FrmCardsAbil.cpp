#include "FrmCardsAbil.hpp"

#include "ui_FrmCardsAbil.h"

#include "FrmCardSearch.hpp"
#include "FrmDefFasce.hpp"
#include "FrmFasceOnline.hpp"
#include "FrmPassAbil.hpp"

#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderCommands.hpp"
#include "masterdata/BandRecord.hpp"
#include "masterdata/CardSearch.hpp"
#include "masterdata/CardUpload.hpp"
#include "masterdata/ExternalCardRegistration.hpp"
#include "masterdata/UserRecord.hpp"
#include "masterdata/UserRelease.hpp"
#include "masterdata/UserStore.hpp"
#include "readers/AppState.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QStyle>

namespace sentinex {

static_assert(FrmCardsAbil::ReaderPositions == UserRecord::ReaderPositions);

namespace {

constexpr const char* NewCaption = "Nuovo utente";
constexpr const char* ModifyCaption = "Modifica utente";
constexpr const char* CancelCaption = "Annulla";
constexpr const char* SaveCaption = "Salva dati";

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::string std8(const QString& text) {
    return text.toStdString();
}

/// The user at `position`, the form standing at `current` on record `key` of `count`. Steps from the
/// shown record and the two ends are one indexed read each; only an arbitrary position needs the set
/// walked to it.
std::optional<UserStore::Stored> fetch(UserStore& store, std::int64_t position, std::int64_t current,
                                       std::optional<std::int64_t> key, std::int64_t count) {
    if (key && position == current) {
        if (auto same = store.byKey(*key)) {
            return same;
        }
    } else if (key && position == current + 1) {
        return store.beside(*key, UserStore::Step::Next);
    } else if (key && position == current - 1) {
        return store.beside(*key, UserStore::Step::Previous);
    } else if (position == count && position > 1) {
        return store.last();
    }
    return store.atPosition(position);
}

} // namespace

FrmCardsAbil::FrmCardsAbil(Session& session, QWidget* parent)
    : FrmCardsAbil(session.database(), session.op(), session.settings(), session.state(), *session.bus(),
                   parent) {}

FrmCardsAbil::FrmCardsAbil(std::shared_ptr<Database> db, Operator& op, const Settings& settings,
                           AppState& state, ReaderBus& bus, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmCardsAbil>()), m_db(std::move(db)), m_op(op),
      m_settings(settings), m_state(state), m_bus(bus), m_store(std::make_unique<UserStore>(m_db)) {
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
    connectControls();
    load();
}

FrmCardsAbil::~FrmCardsAbil() = default;

void FrmCardsAbil::connectControls() {
    auto& ui = *m_ui;
    connect(ui.Command12, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { moveTo(1); }));
    connect(ui.Command2, &QPushButton::clicked, this,
            SlotGuard::wrap(m_op, [this] { moveTo(m_current - 1); }));
    connect(ui.Command1, &QPushButton::clicked, this,
            SlotGuard::wrap(m_op, [this] { moveTo(m_current + 1); }));
    connect(ui.Command13, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { moveTo(m_count); }));
    connect(ui.Command3, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { onNewOrCancel(); }));
    connect(ui.Command4, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { onModifyOrSave(); }));
    connect(ui.Command5, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { deleteUser(); }));
    connect(ui.Command7, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { close(); }));
    connect(ui.Command11, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { upload(); }));
    connect(ui.Command14, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { release(); }));
    connect(ui.Command8, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { associateReaders(); }));
    connect(ui.Command9, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { showBands(); }));
    connect(ui.Command10, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { openSearch(); }));
    connect(ui.Command15, &QPushButton::clicked, this,
            SlotGuard::wrap(m_op, [this] { onRegisterClicked(); }));
    connect(ui.Check5, &QCheckBox::toggled, this,
            [this](bool ticked) { SlotGuard::runAlways(m_op, [&] { onOnlineToggled(ticked); }); });
    connect(ui.Check4, &QCheckBox::toggled, this,
            [this](bool ticked) { SlotGuard::runAlways(m_op, [&] { onBandsApplyToggled(ticked); }); });
}

void FrmCardsAbil::load() {
    setFrames(false);
    m_editing = false;
    m_ui->Combo1->clear();
    for (const std::string& name : m_store->bandNames()) {
        m_ui->Combo1->addItem(qt(name));
    }
    m_count = m_store->count();
    if (m_count > 0) {
        showAt(1);
    } else {
        setEmptyState();
    }
    optionRefresh();
}

void FrmCardsAbil::setEmptyState() {
    auto& ui = *m_ui;
    enableButtons({ui.Command4, ui.Command5, ui.Command6, ui.Command8, ui.Command9, ui.Command10,
                   ui.Command11, ui.Command14, ui.Command15},
                  false);
    m_current = 0;
    m_count = 0;
    m_key.reset();
    m_ui->Label6->showText(QStringLiteral("0 Utenti"));
    clearRecord(false);
}

void FrmCardsAbil::showAt(std::int64_t position) {
    const auto stored = fetch(*m_store, position, m_current, m_key, m_count);
    if (!stored) {
        // The table shrank behind the form's back: stand on what is there now.
        m_count = m_store->count();
        if (m_count == 0) {
            setEmptyState();
            return;
        }
        m_key.reset();
        showAt(m_count);
        return;
    }
    showStored(position, stored->key, stored->user);
}

void FrmCardsAbil::showStored(std::int64_t position, std::int64_t key, const UserRecord& user) {
    m_current = position;
    m_key = key;
    showCounter();
    showRecord(user);
}

void FrmCardsAbil::showCounter() {
    m_ui->Label6->showText(QStringLiteral("%1 / %2").arg(m_current).arg(m_count));
}

void FrmCardsAbil::setOption(QAbstractButton* first, QAbstractButton* second, bool firstChosen) {
    (firstChosen ? first : second)->setChecked(true);
}

void FrmCardsAbil::showRecord(const UserRecord& u) {
    auto& ui = *m_ui;
    ui.Text1->setText(qt(u.surname));
    ui.Text2->setText(qt(u.firstName));
    ui.Text3->setText(qt(u.address));
    ui.Text4->setText(qt(u.cardNumber));
    ui.Text5->setText(qt(u.notes));
    ui.Check1->setChecked(u.cardEnabled);
    ui.Check5->setChecked(u.online);
    ui.Check2->setChecked(u.output1);
    ui.Check3->setChecked(u.output2);
    setOption(ui.Option1, ui.Option2, u.checkInputs);
    setOption(ui.Option3, ui.Option4, u.inputsAnd);
    setOption(ui.Option5, ui.Option6, u.input1On);
    setOption(ui.Option7, ui.Option8, u.input2On);
    ui.Check4->setChecked(u.bandsApply);
    ui.Combo1->setEditText(qt(u.bandName));
    ui.Combo1->setEnabled(u.bandsApply);
    QAbstractButton* bands[] = {ui.Option12, ui.Option9, ui.Option10, ui.Option11};
    if (u.standAloneBand >= 0 && u.standAloneBand <= 3) {
        bands[u.standAloneBand]->setChecked(true);
    }
    m_flags = u.readerFlags;
    m_held = u.held;
}

UserRecord FrmCardsAbil::fromControls() const {
    const auto& ui = *m_ui;
    UserRecord u;
    u.surname = std8(ui.Text1->text());
    u.firstName = std8(ui.Text2->text());
    u.address = std8(ui.Text3->text());
    u.cardNumber = std8(ui.Text4->text());
    u.notes = std8(ui.Text5->text());
    u.cardEnabled = ui.Check1->isChecked();
    u.online = ui.Check5->isChecked();
    u.output1 = ui.Check2->isChecked();
    u.output2 = ui.Check3->isChecked();
    u.checkInputs = ui.Option1->isChecked();
    u.inputsAnd = ui.Option3->isChecked();
    u.input1On = ui.Option5->isChecked();
    u.input2On = ui.Option7->isChecked();
    u.bandsApply = ui.Check4->isChecked();
    u.bandName = std8(ui.Combo1->currentText());
    u.standAloneBand = ui.Option9->isChecked()    ? 1
                       : ui.Option10->isChecked() ? 2
                       : ui.Option11->isChecked() ? 3
                                                  : 0;
    u.readerFlags = m_flags;
    u.held = m_held;
    return u;
}

void FrmCardsAbil::clearRecord(bool withDefaults) {
    auto& ui = *m_ui;
    for (QLineEdit* box : {ui.Text1, ui.Text2, ui.Text3, ui.Text4, ui.Text5}) {
        box->clear();
    }
    ui.Combo1->setEditText(QString());
    for (QCheckBox* box : {ui.Check1, ui.Check2, ui.Check3, ui.Check4, ui.Check5}) {
        box->setChecked(false);
    }
    // An exclusive group keeps one option chosen; clearing all needs it open for a moment.
    for (QButtonGroup* group : {ui.inputCheck, ui.inputMethod, ui.input1, ui.input2, ui.standAlone}) {
        group->setExclusive(false);
        for (QAbstractButton* option : group->buttons()) {
            option->setChecked(false);
        }
        group->setExclusive(true);
    }
    if (withDefaults) {
        for (QAbstractButton* chosen :
             std::initializer_list<QAbstractButton*>{ui.Check1, ui.Check2, ui.Check3, ui.Check5, ui.Option2,
                                                     ui.Option4, ui.Option5, ui.Option7, ui.Option12}) {
            chosen->setChecked(true);
        }
    }
}

void FrmCardsAbil::optionRefresh() {
    auto& ui = *m_ui;
    QAbstractButton* bands[] = {ui.Option9, ui.Option10, ui.Option11};
    ui.Option12->setEnabled(true);
    for (int i = 0; i < 3; ++i) {
        bands[i]->setEnabled(m_settings.FasceOrarie && m_settings.bandDefined[i]);
    }
    const bool online = ui.Check5->isChecked();
    ui.Frame6->setVisible(online);
    ui.Frame11->setVisible(!online);
    ui.Frame6->setEnabled(m_editing && online);
    ui.Frame11->setEnabled(m_editing && !online);
}

void FrmCardsAbil::setFrames(bool on) {
    m_ui->Frame1->setEnabled(on);
    m_ui->Frame2->setEnabled(on);
    m_ui->Frame6->setEnabled(on);
    // Browse mode lets nothing be changed, the stand-alone choice included.
    m_ui->Frame11->setEnabled(on);
}

void FrmCardsAbil::enableButtons(std::initializer_list<QAbstractButton*> buttons, bool enabled) {
    for (QAbstractButton* button : buttons) {
        button->setEnabled(enabled);
    }
}

void FrmCardsAbil::moveTo(std::int64_t position) {
    if (m_editing || m_count == 0 || position < 1 || position > m_count || position == m_current) {
        return;
    }
    showAt(position);
    optionRefresh();
}

void FrmCardsAbil::onNewOrCancel() {
    if (m_editing) {
        cancelEdit();
    } else {
        enterEdit(true);
    }
}

void FrmCardsAbil::onModifyOrSave() {
    if (m_editing) {
        save();
    } else {
        enterEdit(false);
    }
}

void FrmCardsAbil::enterEdit(bool isNew) {
    auto& ui = *m_ui;
    ui.Command3->setText(CancelCaption);
    ui.Command4->setText(SaveCaption);
    ui.Command4->setEnabled(true);
    enableButtons({ui.Command1, ui.Command2, ui.Command5, ui.Command6, ui.Command7, ui.Command10,
                   ui.Command11, ui.Command12, ui.Command13, ui.Command14, ui.Command15},
                  false);
    ui.Command8->setEnabled(true);
    m_isNew = isNew;
    m_editing = true;
    m_savedPosition = m_current;
    if (isNew) {
        ui.Command9->setEnabled(false);
        ui.Label6->showText(QStringLiteral("Nuovo..."));
        setFrames(true);
        clearRecord(true);
        m_flags.fill(0);
        m_held = false;
    } else {
        ui.Command9->setEnabled(!ui.Check5->isChecked() || ui.Check4->isChecked());
        ui.Label6->showText(QStringLiteral("Modifica..."));
        setFrames(true);
    }
    optionRefresh();
    ui.Text1->setFocus();
}

void FrmCardsAbil::cancelEdit() {
    auto& ui = *m_ui;
    ui.Command3->setText(NewCaption);
    ui.Command4->setText(ModifyCaption);
    enableButtons({ui.Command1, ui.Command2, ui.Command7, ui.Command9, ui.Command12, ui.Command13}, true);
    m_isNew = false;
    m_editing = false;
    setFrames(false);
    if (m_count != 0) {
        showAt(m_savedPosition);
        enableButtons({ui.Command5, ui.Command6, ui.Command10, ui.Command11, ui.Command14, ui.Command15},
                      true);
    } else {
        setEmptyState();
    }
    optionRefresh();
}

void FrmCardsAbil::save() {
    auto& ui = *m_ui;
    UserRecord user = fromControls();
    const std::optional<std::int64_t> editing = m_isNew ? std::nullopt : m_key;
    try {
        const UserStore::Validation check = m_store->validate(user, editing);
        if (check.normalisedCard) {
            ui.Text4->setText(qt(*check.normalisedCard));
            user.cardNumber = *check.normalisedCard;
        }
        if (!check.ok()) {
            m_op.message("Attenzione", check.problem, MsgIcon::Exclamation);
            return;
        }
        // The command goes before anything can process events: a second click queued meanwhile finds it
        // disabled, and finds the wait form up.
        ui.Command4->setEnabled(false);
        WaitScope wait(m_op);
        QApplication::processEvents();
        m_store->save(user, editing);
    } catch (const UserStore::CardTaken& taken) {
        ui.Command4->setEnabled(true);
        m_op.message("Attenzione", taken.what(), MsgIcon::Exclamation);
        return;
    } catch (const DatabaseError& error) {
        ui.Command4->setEnabled(true);
        // The form stays in edit mode with everything typed; nothing was stored.
        m_op.message("Errore", std::string("Impossibile salvare i dati dell'utente: ") + error.what(),
                     MsgIcon::Critical);
        return;
    }
    if (m_isNew) {
        m_count = m_store->count();
        m_savedPosition = m_count;
    }
    m_editing = false;
    m_isNew = false;
    showAt(m_savedPosition);
    setFrames(false);
    optionRefresh();
    enableButtons({ui.Command1, ui.Command2, ui.Command3, ui.Command4, ui.Command5, ui.Command6, ui.Command7,
                   ui.Command8, ui.Command9, ui.Command10, ui.Command11, ui.Command12, ui.Command13,
                   ui.Command14, ui.Command15},
                  true);
    ui.Command3->setText(NewCaption);
    ui.Command4->setText(ModifyCaption);
}

void FrmCardsAbil::deleteUser() {
    if (m_count == 0 || !m_key) {
        m_op.message("Messaggio", "Non ci sono utenti nel database.", MsgIcon::Information);
        return;
    }
    if (m_op.question("Domanda", "Sei sicuro di voler eliminare l'utente ?", MsgIcon::Question) !=
        Answer::Yes) {
        return;
    }
    m_ui->Command5->setEnabled(false);
    try {
        const int leftInside = m_store->remove(*m_key);
        if (leftInside > 0) {
            emit presenceRemoved(leftInside);
        }
        m_count = m_store->count();
    } catch (const DatabaseError& error) {
        m_ui->Command5->setEnabled(true);
        m_op.message("Errore", std::string("Impossibile eliminare l'utente: ") + error.what(),
                     MsgIcon::Critical);
        return;
    }
    m_ui->Command5->setEnabled(true);
    if (m_count == 0) {
        setEmptyState();
    } else {
        showAt(1);
    }
    optionRefresh();
}

void FrmCardsAbil::upload() {
    auto& ui = *m_ui;
    if (!CardUpload::mayStart(ui.Check5->isChecked(), m_state.readers.count(), m_state.pollingOn,
                              m_state.outputOn, m_op)) {
        return;
    }
    std::optional<UserStore::Stored> stored;
    try {
        stored = m_key ? m_store->byKey(*m_key) : std::nullopt;
    } catch (const DatabaseError& error) {
        m_op.message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    if (!stored) {
        m_op.message("Messaggio", "Non ci sono utenti nel database.", MsgIcon::Information);
        return;
    }
    const int band = ui.Option9->isChecked()    ? 1
                     : ui.Option10->isChecked() ? 2
                     : ui.Option11->isChecked() ? 3
                                                : 0;
    CardUpload::Request request;
    request.cardNumber = std8(ui.Text4->text());
    request.options = ReaderCommands::cardOptions(ui.Option3->isChecked(), ui.Option1->isChecked(),
                                                  ui.Option7->isChecked(), ui.Option5->isChecked(), band,
                                                  ui.Check2->isChecked(), ui.Check3->isChecked());
    request.storedReaders = stored->user.readerText();
    request.storedOnline = stored->user.online;
    request.storedEnabled = stored->user.cardEnabled;
    ui.Command11->setEnabled(false);
    CardUpload::run(m_state.readers, m_bus, m_op, m_settings.QuattroCifre, request);
    ui.Command11->setEnabled(true);
}

void FrmCardsAbil::release() {
    try {
        if (UserRelease::release(*m_db, m_op, m_settings.Imparziale,
                                 {m_ui->Check5->isChecked(), m_held, std8(m_ui->Text4->text())})) {
            m_held = false;
        }
    } catch (const DatabaseError& error) {
        m_op.message("Errore", error.what(), MsgIcon::Critical);
    }
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
}

void FrmCardsAbil::associateReaders() {
    std::vector<std::string> locations;
    try {
        locations = m_store->readerLocations();
    } catch (const DatabaseError& error) {
        m_op.message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    if (locations.empty()) {
        m_op.message("Attenzione", "Non ci sono lettori memorizzati nel database.", MsgIcon::Exclamation);
        return;
    }
    auto form = std::make_unique<FrmPassAbil>(locations, m_flags, m_editing);
    connect(form.get(), &FrmPassAbil::chosen, this,
            [this](const std::array<int, FrmPassAbil::Boxes>& flags) { m_flags = flags; });
    connect(form.get(), &FrmPassAbil::closed, this, SlotGuard::wrapAlways(m_op, [this] { childClosed(); }));
    openChild(std::move(form));
}

void FrmCardsAbil::showBands() {
    auto& ui = *m_ui;
    if (!ui.Check5->isChecked()) {
        const int chosen = ui.Option12->isChecked()   ? 0
                           : ui.Option9->isChecked()  ? 1
                           : ui.Option10->isChecked() ? 2
                           : ui.Option11->isChecked() ? 3
                                                      : -1;
        auto form = std::make_unique<FrmDefFasce>(m_settings, chosen);
        connect(form.get(), &FrmDefFasce::closed, this,
                SlotGuard::wrapAlways(m_op, [this] { childClosed(); }));
        openChild(std::move(form));
        return;
    }
    const std::string name = trim(std8(ui.Combo1->currentText()));
    if (name.empty()) {
        m_op.message("Attenzione", "Non è stato inserito nessun turno.", MsgIcon::Exclamation);
        return;
    }
    std::optional<BandTimes> band;
    std::unique_ptr<FrmFasceOnline> form;
    try {
        WaitScope wait(m_op);
        band = m_store->bandNamed(name);
        if (band) {
            form = std::make_unique<FrmFasceOnline>(m_db, m_op);
        }
    } catch (const DatabaseError& error) {
        m_op.message("Errore", std::string(SlotGuard::StoreErrorPrefix) + error.what(), MsgIcon::Critical);
        return;
    }
    if (!band) {
        m_op.message("Attenzione", "Il turno definito nelle fasce orarie non esiste.", MsgIcon::Exclamation);
        return;
    }
    form->showForUser(BandRecord{name, *band}, std8(ui.Text4->text()));
    connect(form.get(), &FrmFasceOnline::closed, this,
            SlotGuard::wrapAlways(m_op, [this] { childClosed(); }));
    openChild(std::move(form));
}

void FrmCardsAbil::openSearch() {
    auto form = std::make_unique<FrmCardSearch>();
    connect(form.get(), &FrmCardSearch::searchRequested, this,
            [this](FrmCardSearch::Mode mode, const QString& text) {
                SlotGuard::run(m_op, [&] { search(mode, text); });
            });
    connect(form.get(), &FrmCardSearch::closed, this, SlotGuard::wrapAlways(m_op, [this] { childClosed(); }));
    openChild(std::move(form));
}

void FrmCardsAbil::search(int mode, const QString& text) {
    std::int64_t target = m_current;
    try {
        const auto found = CardSearch::find(
            *m_db,
            mode == FrmCardSearch::ByCardNumber ? CardSearch::Field::CardNumber : CardSearch::Field::Surname,
            std8(text));
        const auto user = found ? m_store->byKey(found->key) : std::nullopt;
        if (!found) {
            m_op.message("Messaggio", CardSearch::NotFoundText, MsgIcon::Information);
        }
        m_count = m_store->count();
        if (user) {
            showStored(found->position, user->key, user->user);
        } else if (m_count == 0) {
            setEmptyState();
        } else {
            // Not found: the record shown before, read again.
            showAt(std::max<std::int64_t>(target, 1));
        }
    } catch (const DatabaseError& error) {
        m_op.message("Errore", error.what(), MsgIcon::Critical);
    }
    optionRefresh();
}

void FrmCardsAbil::onRegisterClicked() {
    if (m_registering) {
        m_stopRequested = true; // the wait sees it between two readers
        return;
    }
    registerExternalCard();
}

void FrmCardsAbil::registerExternalCard() {
    auto& ui = *m_ui;
    std::optional<std::int64_t> key;
    try {
        key = ExternalCardRegistration::recordToUpdate(*m_db, m_op, m_state.readers, m_state.pollingOn,
                                                       m_state.outputOn,
                                                       {ui.Check5->isChecked(), std8(ui.Text4->text())});
    } catch (const DatabaseError& error) {
        m_op.message("Errore", error.what(), MsgIcon::Critical);
        return;
    }
    if (!key) {
        return;
    }
    m_registering = true;
    m_stopRequested = false;
    ui.Command15->setText(ExternalCardRegistration::WaitingCaption);
    // While the readers are polled only the stop button may be used: anything else would change the
    // record or the bus under the wait.
    lockAllBut(ui.Command15);
    try {
        ExternalCardRegistration::waitAndStore(*m_db, m_op, m_state.readers, m_bus, *key, [this] {
            QApplication::processEvents(QEventLoop::AllEvents);
            return !m_stopRequested;
        });
    } catch (const DatabaseError& error) {
        m_op.message("Errore", std::string("Impossibile registrare la carta esterna: ") + error.what(),
                     MsgIcon::Critical);
    }
    unlock();
    ui.Command15->setText(ExternalCardRegistration::IdleCaption);
    m_registering = false;
    m_stopRequested = false;
}

void FrmCardsAbil::lockAllBut(QWidget* keep) {
    m_locked.clear();
    for (QWidget* path = keep; path && path != this; path = path->parentWidget()) {
        for (QWidget* sibling : path->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (sibling != path && !sibling->isWindow() && !sibling->testAttribute(Qt::WA_ForceDisabled)) {
                sibling->setEnabled(false);
                m_locked.push_back(sibling);
            }
        }
    }
}

void FrmCardsAbil::unlock() {
    for (QWidget* widget : m_locked) {
        widget->setEnabled(true);
    }
    m_locked.clear();
}

void FrmCardsAbil::onOnlineToggled(bool ticked) {
    if (!m_editing) {
        return;
    }
    auto& ui = *m_ui;
    ui.Frame6->setEnabled(true);
    ui.Frame11->setEnabled(true);
    ui.Frame6->setVisible(ticked);
    ui.Frame11->setVisible(!ticked);
    ui.Command9->setEnabled(!ticked || ui.Check4->isChecked());
}

void FrmCardsAbil::onBandsApplyToggled(bool ticked) {
    m_ui->Combo1->setEnabled(ticked);
    m_ui->Command9->setEnabled(ticked);
}

void FrmCardsAbil::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    // In edit mode the form waits for "Salva dati" or "Annulla"; a window opened in its place, or a
    // registration waiting for a card, has to end first.
    if (m_editing || m_child || m_registering) {
        event->ignore();
        return;
    }
    event->accept();
    emit returnedToMain();
}

void FrmCardsAbil::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_ui->Command3->text() == CancelCaption) {
        m_ui->Command3->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_editing) {
        m_ui->Command4->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sentinex
