#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmWait;
}

namespace sentinex {

/// The small "ATTENDERE  PREGO" form shown while a run talks to the readers. It is application-modal
/// and the one live window while it is up; its close box does nothing (the run closes it).
class FrmWait : public QWidget {
    Q_OBJECT
public:
    explicit FrmWait(QWidget* parent = nullptr);
    ~FrmWait() override;

    /// True while a wait form exists.
    static bool isUp() { return s_alive > 0; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::FrmWait> m_ui;
    static inline int s_alive = 0;
};

} // namespace sentinex
