#include "ui/common/FrmWait.hpp"

#include "ui_FrmWait.h"

#include <QCloseEvent>

namespace sentinex {

FrmWait::FrmWait(QWidget* parent) : QWidget(parent, Qt::Dialog), m_ui(std::make_unique<Ui::FrmWait>()) {
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    ++s_alive;
}

FrmWait::~FrmWait() {
    --s_alive;
}

void FrmWait::closeEvent(QCloseEvent* event) {
    event->ignore();
}

} // namespace sentinex
