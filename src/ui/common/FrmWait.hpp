#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmWait;
}

namespace sentinex {

/// The small modeless "ATTENDERE  PREGO" form shown during long operations.
class FrmWait : public QWidget {
    Q_OBJECT
public:
    explicit FrmWait(QWidget* parent = nullptr);
    ~FrmWait() override;

private:
    std::unique_ptr<Ui::FrmWait> m_ui;
};

} // namespace sentinex
