#include "FrmChkPassw.hpp"

#include "ui_FrmChkPassw.h"

#include "admin/PasswordFile.hpp"
#include "admin/PasswordPrompt.hpp"
#include "ui/common/SlotGuard.hpp"
#include "session/Session.hpp"

namespace sentinex {

FrmChkPassw::FrmChkPassw(const ProgramFolder& folder, Operator& op, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FrmChkPassw>()),
      m_prompt(std::make_unique<PasswordPrompt>(PasswordFile(folder), op)) {
    m_ui->setupUi(this);
    setModal(true);
    connect(m_ui->Command1, &QPushButton::clicked, this, SlotGuard::wrap(op, [this] { confirm(); }));
    // Enter in the box presses "Ok"; the buttons are no default buttons, so it is not pressed twice.
    connect(m_ui->text1, &QLineEdit::returnPressed, m_ui->Command1, &QPushButton::click);
}

FrmChkPassw::~FrmChkPassw() = default;

PasswordAccess FrmChkPassw::load() {
    m_ui->text1->clear();
    switch (m_prompt->open()) {
    case PasswordPrompt::Opening::Granted:
        return PasswordAccess::Granted;
    case PasswordPrompt::Opening::Refused:
        return PasswordAccess::Refused;
    case PasswordPrompt::Opening::Ask:
        break;
    }
    return PasswordAccess::Denied;
}

bool FrmChkPassw::accessGranted() const {
    return m_prompt->accessGranted();
}

void FrmChkPassw::confirm() {
    if (m_prompt->check(m_ui->text1->text().toStdString())) {
        accept();
        return;
    }
    m_ui->text1->clear();
    reject();
}

PasswordAccess askPassword(Session& session, QWidget* parent) {
    FrmChkPassw prompt(session.folder(), session.op(), parent);
    const PasswordAccess opening = prompt.load();
    if (opening != PasswordAccess::Denied) {
        return opening;
    }
    prompt.exec();
    return prompt.accessGranted() ? PasswordAccess::Granted : PasswordAccess::Denied;
}

} // namespace sentinex
