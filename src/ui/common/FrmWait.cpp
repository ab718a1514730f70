#include "ui/common/FrmWait.hpp"

#include "ui_FrmWait.h"

namespace sentinex {

FrmWait::FrmWait(QWidget* parent) : QWidget(parent, Qt::Dialog), m_ui(std::make_unique<Ui::FrmWait>()) {
    m_ui->setupUi(this);
    setWindowModality(Qt::NonModal);
}

FrmWait::~FrmWait() = default;

} // namespace sentinex
