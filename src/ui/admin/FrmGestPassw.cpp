#include "FrmGestPassw.hpp"

#include "ui_FrmGestPassw.h"

#include "admin/PasswordFile.hpp"
#include "admin/PasswordManagement.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>

namespace sentinex {

namespace {

// 15 twips a pixel: 3630 by 3720 twips with a password, 3630 by 2400 without.
constexpr int FormWidth = 3630 / 15;
constexpr int HeightWithPassword = 3720 / 15;
constexpr int HeightWithoutPassword = 2400 / 15;

void unlock(QLineEdit* box) {
    box->setEnabled(true);
    box->setReadOnly(false);
}

} // namespace

FrmGestPassw::FrmGestPassw(const ProgramFolder& folder, Operator& op, std::shared_ptr<Database> record,
                           QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmGestPassw>()), m_op(op),
      m_management(std::make_unique<PasswordManagement>(PasswordFile(folder), op, std::move(record))) {
    m_ui->setupUi(this);
    connect(m_ui->Command1, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { onCommand1(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { onCommand2(); }));
    connect(m_ui->Command3, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { onCommand3(); }));
    connect(m_ui->Command4, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { onCommand4(); }));
    connect(m_ui->Command5, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { onCommand5(); }));
    open();
}

FrmGestPassw::~FrmGestPassw() = default;

void FrmGestPassw::open() {
    const bool withPassword = m_management->open() == PasswordManagement::Layout::ChangeOrRemove;
    m_ui->Frame1->setVisible(!withPassword);
    m_ui->Frame2->setVisible(withPassword);
    m_ui->text1->clear();
    m_ui->Text2->clear();
    m_ui->Text3->clear();
    m_mode = Mode::None;
    setFixedSize(FormWidth, withPassword ? HeightWithPassword : HeightWithoutPassword);
}

void FrmGestPassw::onCommand1() {
    m_management->announceSet();
    unlock(m_ui->text1);
    m_ui->Command1->setEnabled(false);
    m_ui->text1->setFocus();
}

void FrmGestPassw::onCommand2() {
    if (m_management->set(m_ui->text1->text().toStdString()) == PasswordManagement::After::Close) {
        leave();
    }
}

void FrmGestPassw::onCommand3() {
    m_management->announceChange();
    unlock(m_ui->Text2);
    unlock(m_ui->Text3);
    m_mode = Mode::Change;
    m_ui->Command3->setEnabled(false);
    m_ui->Command4->setEnabled(false);
    m_ui->Text2->setFocus();
}

void FrmGestPassw::onCommand4() {
    m_management->announceRemove();
    unlock(m_ui->Text2);
    // The new password has no part in a removal: its box is greyed.
    m_ui->Text3->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: 42; background-color: #C0C0C0; }"));
    m_mode = Mode::Remove;
    m_ui->Command3->setEnabled(false);
    m_ui->Command4->setEnabled(false);
    m_ui->Text2->setFocus();
}

void FrmGestPassw::onCommand5() {
    PasswordManagement::Mode mode = PasswordManagement::Mode::None;
    if (m_mode == Mode::Change) {
        mode = PasswordManagement::Mode::Change;
    } else if (m_mode == Mode::Remove) {
        mode = PasswordManagement::Mode::Remove;
    }
    const auto after =
        m_management->confirm(mode, m_ui->Text2->text().toStdString(), m_ui->Text3->text().toStdString());
    if (after == PasswordManagement::After::Close) {
        leave();
    }
}

void FrmGestPassw::leave() {
    if (m_left) {
        return;
    }
    m_left = true;
    hide();
    if (m_onReturn) {
        m_onReturn();
    }
}

void FrmGestPassw::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    // The close box leaves without acting, as "Ok" with no button chosen.
    event->accept();
    leave();
}

} // namespace sentinex
