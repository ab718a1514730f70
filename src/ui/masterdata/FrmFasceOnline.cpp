#include "FrmFasceOnline.hpp"

#include "ui_FrmFasceOnline.h"

#include "core/Operator.hpp"
#include "masterdata/BandFormPresenter.hpp"
#include "masterdata/BandRecord.hpp"
#include "session/Session.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>

namespace sentinex {

FrmFasceOnline::FrmFasceOnline(Session& session, QWidget* parent)
    : FrmFasceOnline(session.database(), session.op(), parent) {}

FrmFasceOnline::FrmFasceOnline(std::shared_ptr<Database> db, Operator& op, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmFasceOnline>()), m_op(op),
      m_presenter(std::make_unique<BandFormPresenter>(std::move(db), op)) {
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
    BandFormPresenter& p = *m_presenter;
    connect(ui.Command5, &QPushButton::clicked, this, [this, &p] { act([&p] { p.first(); }); });
    connect(ui.Command6, &QPushButton::clicked, this, [this, &p] { act([&p] { p.previous(); }); });
    connect(ui.Command7, &QPushButton::clicked, this, [this, &p] { act([&p] { p.next(); }); });
    connect(ui.Command8, &QPushButton::clicked, this, [this, &p] { act([&p] { p.last(); }); });
    connect(ui.Command1, &QPushButton::clicked, this, [this, &p] { act([&p] { p.newOrCancel(); }); });
    connect(ui.Command2, &QPushButton::clicked, this,
            [this, &p] { act([this, &p] { p.modifyOrSave(fromControls()); }); });
    connect(ui.Command3, &QPushButton::clicked, this, [this, &p] { act([&p] { p.remove(); }); });
    connect(ui.Command4, &QPushButton::clicked, this, [this] { SlotGuard::run(m_op, [this] { close(); }); });
    // A save or delete renders its refusing commands before the screen gets a chance to take a click.
    p.setYield([this] {
        render();
        QApplication::processEvents();
    });
    ui.Frame4->setTitle(QStringLiteral("Database"));
    p.open();
    render();
}

FrmFasceOnline::~FrmFasceOnline() = default;

bool FrmFasceOnline::editing() const {
    return m_presenter->editing();
}

template <typename F> void FrmFasceOnline::act(F&& action) {
    const bool wasEditing = editing();
    SlotGuard::run(m_op, [this, &action] {
        action();
        render();
    });
    if (!wasEditing && editing()) {
        m_ui->Text5->setFocus();
    }
}

void FrmFasceOnline::render() {
    const BandFormView& view = m_presenter->view();
    const BrowseView& b = view.browse;
    auto& ui = *m_ui;
    ui.Label5->showText(QString::fromStdString(b.counter));
    ui.Command1->setText(QString::fromStdString(b.newOrCancelCaption));
    ui.Command2->setText(QString::fromStdString(b.modifyOrSaveCaption));
    ui.Command1->setEnabled(b.newOrCancel);
    ui.Command2->setEnabled(b.modifyOrSave);
    ui.Command3->setEnabled(b.remove);
    ui.Command4->setEnabled(b.exit);
    // The navigation commands stay enabled in browse mode; the presenter ignores a move to nowhere.
    for (QPushButton* button : {ui.Command5, ui.Command6, ui.Command7, ui.Command8}) {
        button->setEnabled(b.navigate);
    }
    fill(view.record);
    ui.Frame1->setEnabled(view.framesEnabled);
    ui.Frame3->setEnabled(view.framesEnabled);
    setBoxesLocked(!view.editable);
}

void FrmFasceOnline::fill(const BandRecord& record) {
    m_ui->Text5->setText(QString::fromStdString(record.name));
    for (std::size_t i = 0; i < m_times.size(); ++i) {
        m_times[i]->setText(QString::fromStdString(record.band.times[i]));
    }
    for (std::size_t d = 0; d < m_days.size(); ++d) {
        m_days[d]->setChecked(record.band.days[d]);
        for (std::size_t slot = 0; slot < 4; ++slot) {
            m_times[d * 4 + slot]->setEnabled(record.band.days[d]);
        }
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

void FrmFasceOnline::setBoxesLocked(bool locked) {
    // Outside new and modify mode nothing typed is ever used: the boxes say so by taking no typing.
    m_ui->Text5->setReadOnly(locked);
    for (QLineEdit* box : m_times) {
        box->setReadOnly(locked);
    }
    for (QCheckBox* day : m_days) {
        day->setAttribute(Qt::WA_TransparentForMouseEvents, locked);
        day->setFocusPolicy(locked ? Qt::NoFocus : Qt::StrongFocus);
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
    ui.Frame1->setEnabled(true);
    ui.Frame3->setEnabled(true);
    setBoxesLocked(true);
    for (std::size_t d = 0; d < m_days.size(); ++d) {
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
    SlotGuard::runAlways(m_op, [this] {
        if (editing()) {
            m_presenter->cancel();
            render();
        }
    });
    event->accept();
    emit closed();
}

void FrmFasceOnline::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && editing()) {
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
