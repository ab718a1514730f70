#pragma once

#include "core/ProgramFolder.hpp"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class FrmGestPassw;
}

namespace sentinex {

class Database;
class Operator;
class PasswordManagement;

/// The password management form "Sentinex - gestione password", opened from the additional functions
/// form. Without a password it shows `Frame1` (set a password); with one, `Frame2` (change or remove
/// it). The rules and their messages are those of PasswordManagement; the form enables the boxes the
/// chosen action needs and closes when the action is done. Closing it, by "Ok" or by the close box,
/// calls the return action once (the additional functions form shows itself again).
class FrmGestPassw : public QWidget {
    Q_OBJECT
public:
    /// Reads the password file of `folder` and shows the matching layout.
    /// `record`, when given, is the database whose operators' record gets each password change.
    FrmGestPassw(const ProgramFolder& folder, Operator& op, std::shared_ptr<Database> record = nullptr,
                 QWidget* parent = nullptr);
    ~FrmGestPassw() override;

    /// Called once when the form has been left.
    void setOnReturn(std::function<void()> onReturn) { m_onReturn = std::move(onReturn); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Mode { None, Change, Remove };

    void open();
    void onCommand1();
    void onCommand2();
    void onCommand3();
    void onCommand4();
    void onCommand5();
    void leave();

    std::unique_ptr<Ui::FrmGestPassw> m_ui;
    Operator& m_op;
    std::unique_ptr<PasswordManagement> m_management;
    Mode m_mode = Mode::None;
    bool m_left = false;
    std::function<void()> m_onReturn;
};

} // namespace sentinex
