#include "FrmFasceOnline.hpp"

#include "ui_FrmFasceOnline.h"

#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "masterdata/BandRecord.hpp"
#include "masterdata/BandStore.hpp"
#include "session/Session.hpp"
#include "store/Database.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>

namespace sentinex {

namespace {

constexpr const char* CancelCaption = "Annulla";

} // namespace

FrmFasceOnline::FrmFasceOnline(Session& session, QWidget* parent)
    : FrmFasceOnline(session.database(), session.op(), parent) {}

FrmFasceOnline::FrmFasceOnline(std::shared_ptr<Database> db, Operator& op, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmFasceOnline>()), m_db(std::move(db)), m_op(op),
      m_store(std::make_unique<BandStore>(m_db)) {
    m_ui->setupUi(this);
    for (int day = 0; day < 7; ++day) {
        const QString n = QString::number(day);
        m_days[static_cast<std::size_t>(day)] = findChild<QCheckBox*>("Check1_" + n);
        m_dayFrames[static_cast<std::size_t>(day)] = findChild<QGroupBox*>("Frame2_" + n);
        const char* boxes[] = {"Text1_", "Text2_", "Text3_", "Text4_"};
        for (int slot = 0; slot < 4; ++slot) {
            m_times[static_cast<std::size_t>(day * 4 + slot)] = findChild<QLineEdit*>(boxes[slot] + n);
        }
        // A cleared day locks its four boxes; their text stays.
        connect(m_days[static_cast<std::size_t>(day)], &QCheckBox::toggled, this, [this, day](bool ticked) {
            for (int slot = 0; slot < 4; ++slot) {
                m_times[static_cast<std::size_t>(day * 4 + slot)]->setEnabled(ticked);
            }
        });
    }
    auto& ui = *m_ui;
    connect(ui.Command5, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { moveTo(1); }));
    connect(ui.Command6, &QPushButton::clicked, this,
            SlotGuard::wrap(m_op, [this] { moveTo(m_current - 1); }));
    connect(ui.Command7, &QPushButton::clicked, this,
            SlotGuard::wrap(m_op, [this] { moveTo(m_current + 1); }));
    connect(ui.Command8, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { moveTo(m_count); }));
    connect(ui.Command1, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { onNewOrCancel(); }));
    connect(ui.Command2, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { onModifyOrSave(); }));
    connect(ui.Command3, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { deleteBand(); }));
    connect(ui.Command4, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { close(); }));
    // A store that cannot be read leaves the form open and empty, with the reason shown.
    if (!SlotGuard::runAlways(m_op, [this] { load(); })) {
        m_count = 0;
        m_current = 0;
        clearBoxes();
        m_ui->Label5->showText(QStringLiteral("0"));
        m_ui->Command2->setEnabled(false);
        m_ui->Command3->setEnabled(false);
    }
    m_ui->Text5->setReadOnly(true); // typed names count only in new and modify mode
}

FrmFasceOnline::~FrmFasceOnline() = default;

void FrmFasceOnline::load() {
    {
        WaitScope wait(m_op);
        m_count = m_store->count();
    }
    m_ui->Frame4->setTitle(QStringLiteral("Database"));
    m_ui->Command1->setEnabled(true);
    m_ui->Command4->setEnabled(true);
    const bool any = m_count > 0;
    m_ui->Command2->setEnabled(any);
    m_ui->Command3->setEnabled(any);
    if (any) {
        showAt(1);
    } else {
        m_current = 0;
        clearBoxes();
        m_ui->Label5->showText(QStringLiteral("0"));
    }
}

void FrmFasceOnline::fill(const BandRecord& record) {
    m_ui->Text5->setText(QString::fromStdString(record.name));
    for (std::size_t i = 0; i < m_times.size(); ++i) {
        m_times[i]->setText(QString::fromStdString(record.band.times[i]));
    }
    for (std::size_t d = 0; d < m_days.size(); ++d) {
        m_days[d]->setChecked(record.band.days[d]);
    }
}

BandRecord FrmFasceOnline::fromControls() const {
    BandRecord record;
    record.name = m_ui->Text5->text().toStdString();
    for (std::size_t i = 0; i < m_times.size(); ++i) {
        record.band.times[i] = m_times[i]->text().toStdString();
    }
    for (std::size_t d = 0; d < m_days.size(); ++d) {
        record.band.days[d] = m_days[d]->isChecked();
    }
    return record;
}

void FrmFasceOnline::showAt(std::int64_t position) {
    const auto stored = m_store->atPosition(position);
    if (!stored) {
        return;
    }
    m_current = position;
    m_key = stored->key;
    fill(stored->record);
    showCounter();
}

void FrmFasceOnline::showCounter() {
    m_ui->Label5->showText(QStringLiteral("%1 / %2").arg(m_current).arg(m_count));
}

void FrmFasceOnline::clearBoxes() {
    m_ui->Text5->clear();
    for (QLineEdit* box : m_times) {
        box->clear();
    }
    for (QCheckBox* day : m_days) {
        day->setChecked(false);
    }
    m_ui->Frame1->setEnabled(false);
    m_ui->Frame3->setEnabled(false);
}

void FrmFasceOnline::prepareNew() {
    m_ui->Text5->clear();
    for (QLineEdit* box : m_times) {
        box->setText(QStringLiteral("##:##"));
    }
    for (QCheckBox* day : m_days) {
        day->setChecked(false);
    }
    setTimeBoxesEnabled(false);
    m_ui->Frame1->setEnabled(true);
    m_ui->Frame3->setEnabled(true);
}

void FrmFasceOnline::setTimeBoxesEnabled(bool enabled) {
    for (QLineEdit* box : m_times) {
        box->setEnabled(enabled);
    }
}

void FrmFasceOnline::setBrowseButtons(bool enabled) {
    auto& ui = *m_ui;
    for (QPushButton* button :
         {ui.Command3, ui.Command4, ui.Command5, ui.Command6, ui.Command7, ui.Command8}) {
        button->setEnabled(enabled);
    }
}

void FrmFasceOnline::moveTo(std::int64_t position) {
    if (editing() || m_count == 0 || position < 1 || position > m_count || position == m_current) {
        return;
    }
    showAt(position);
}

void FrmFasceOnline::onNewOrCancel() {
    if (editing()) {
        cancel();
        return;
    }
    m_mode = Mode::New;
    m_ui->Command1->setText(CancelCaption);
    m_ui->Command2->setText(QStringLiteral("Salva nuovo"));
    m_ui->Command2->setEnabled(true);
    setBrowseButtons(false);
    m_ui->Label5->showText(QStringLiteral("Nuovo"));
    prepareNew();
    m_ui->Text5->setReadOnly(false);
    m_ui->Text5->setFocus();
}

void FrmFasceOnline::onModifyOrSave() {
    if (editing()) {
        save();
        return;
    }
    m_mode = Mode::Modify;
    m_ui->Command1->setText(CancelCaption);
    m_ui->Command2->setText(QStringLiteral("Salva modifica"));
    setBrowseButtons(false);
    m_ui->Label5->showText(QStringLiteral("Modifica..."));
    m_savedPosition = m_current;
    m_ui->Frame1->setEnabled(true);
    m_ui->Frame3->setEnabled(true);
    m_ui->Text5->setReadOnly(false);
    m_ui->Text5->setFocus();
}

void FrmFasceOnline::cancel() {
    auto& ui = *m_ui;
    m_mode = Mode::Browse;
    ui.Text5->setReadOnly(true);
    ui.Command1->setText(QStringLiteral("Nuovo"));
    ui.Command2->setText(QStringLiteral("Modifica"));
    setBrowseButtons(true);
    const bool any = m_count > 0;
    ui.Command2->setEnabled(any);
    ui.Command3->setEnabled(any);
    if (any) {
        // Forget what was typed: the record as stored comes back.
        m_current = std::min(std::max<std::int64_t>(m_current, 1), m_count);
        const std::int64_t position = m_current;
        m_current = 0;
        showAt(position);
    } else {
        m_current = 0;
        clearBoxes();
        ui.Label5->showText(QStringLiteral("0"));
    }
    // Boxes of cleared days stay typeable in browse mode only to be overwritten by the next fill.
    setTimeBoxesEnabled(true);
}

void FrmFasceOnline::save() {
    const BandRecord record = fromControls();
    const std::optional<std::int64_t> editingKey = m_mode == Mode::Modify ? m_key : std::nullopt;
    try {
        if (!m_store->validate(record, editingKey, m_op)) {
            return;
        }
        // The command goes before anything can process events: a second click queued meanwhile finds it
        // disabled, and finds the wait form up.
        m_ui->Command2->setEnabled(false);
        WaitScope wait(m_op);
        QApplication::processEvents();
        m_store->save(record, editingKey);
    } catch (const DatabaseError& error) {
        m_ui->Command2->setEnabled(true);
        // The form stays in its mode with everything typed; neither the band nor a user changed.
        m_op.message("Errore", std::string("Impossibile salvare la fascia oraria: ") + error.what(),
                     MsgIcon::Critical);
        return;
    }
    if (m_mode == Mode::New) {
        m_count = m_store->count();
        m_savedPosition = m_count;
    }
    m_mode = Mode::Browse;
    m_ui->Text5->setReadOnly(true);
    m_current = 0;
    showAt(m_savedPosition);
    auto& ui = *m_ui;
    ui.Command1->setText(QStringLiteral("Nuovo"));
    ui.Command2->setText(QStringLiteral("Modifica"));
    for (QPushButton* button : {ui.Command1, ui.Command2, ui.Command3, ui.Command4, ui.Command5, ui.Command6,
                                ui.Command7, ui.Command8}) {
        button->setEnabled(true);
    }
    setTimeBoxesEnabled(true);
}

void FrmFasceOnline::deleteBand() {
    if (!m_key || m_count == 0) {
        return;
    }
    const std::int64_t key = *m_key;
    if (m_op.question("Domanda", BandStore::deleteQuestion(m_store->usersOf(key)), MsgIcon::Question) !=
        Answer::Yes) {
        return;
    }
    m_ui->Command3->setEnabled(false);
    try {
        WaitScope wait(m_op);
        QApplication::processEvents();
        m_store->remove(key);
    } catch (const DatabaseError& error) {
        m_ui->Command3->setEnabled(true);
        m_op.message("Errore", std::string("Impossibile cancellare la fascia oraria: ") + error.what(),
                     MsgIcon::Critical);
        return;
    }
    m_count = m_store->count();
    auto& ui = *m_ui;
    ui.Command1->setEnabled(true);
    ui.Command4->setEnabled(true);
    ui.Command2->setEnabled(m_count > 0);
    ui.Command3->setEnabled(m_count > 0);
    m_key.reset();
    if (m_count > 0) {
        m_current = 0;
        showAt(1);
    } else {
        // The deleted band's values stay on screen until the next new band.
        m_current = 0;
        ui.Label5->showText(QStringLiteral("0"));
    }
}

void FrmFasceOnline::showForUser(const BandRecord& record, const std::string& cardNumber) {
    auto& ui = *m_ui;
    for (QPushButton* button :
         {ui.Command1, ui.Command2, ui.Command3, ui.Command5, ui.Command6, ui.Command7, ui.Command8}) {
        button->setEnabled(false);
    }
    ui.Command4->setEnabled(true);
    ui.Frame4->setTitle(QStringLiteral("N.Carta"));
    ui.Label5->showText(QString::fromStdString(cardNumber));
    fill(record);
    // Nothing typed here is ever written; locking the boxes says so to the operator.
    ui.Text5->setReadOnly(true);
    for (QLineEdit* box : m_times) {
        box->setReadOnly(true);
    }
    for (std::size_t d = 0; d < m_days.size(); ++d) {
        m_days[d]->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_days[d]->setFocusPolicy(Qt::NoFocus);
        // The caption alone takes the colour: the frame's own text, not its boxes and labels.
        QGroupBox* frame = m_dayFrames[d];
        const QColor plain = palette().color(QPalette::Active, QPalette::WindowText);
        for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QPalette own = child->palette();
            own.setColor(QPalette::WindowText, plain); // set explicitly, so the frame's colour stops here
            child->setPalette(own);
        }
        QPalette colours = frame->palette();
        colours.setColor(QPalette::WindowText, record.band.days[d] ? QColor(0, 255, 0) : QColor(255, 0, 0));
        frame->setPalette(colours);
    }
    ui.Command4->setFocus();
}

void FrmFasceOnline::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    if (editing()) {
        cancel();
    }
    event->accept();
    emit closed();
}

void FrmFasceOnline::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_ui->Command1->text() == CancelCaption) {
        m_ui->Command1->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && editing()) {
        m_ui->Command2->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sentinex
