#pragma once

#include "core/Operator.hpp"

#include <memory>
#include <optional>
#include <string>

namespace sentinex {

class FrmWait;

/// The operator seen through real dialogs: message boxes with the exact title, text and icon, Yes/No
/// questions, the input box, the wait form and the system beep. Dialogs sit over the active window.
/// Their buttons read "OK", "Sì", "No", "Annulla" whether or not Qt's Italian texts are installed.
class QtOperator final : public Operator {
public:
    QtOperator();
    ~QtOperator() override;
    QtOperator(const QtOperator&) = delete;
    QtOperator& operator=(const QtOperator&) = delete;

    void message(const std::string& title, const std::string& text, MsgIcon icon) override;
    Answer question(const std::string& title, const std::string& text, MsgIcon icon,
                    bool withCancel = false) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& initial = {}) override;
    std::string password(const std::string& prompt, const std::string& title) override;
    void showWait() override;
    void closeWait() override;
    void setWaitText(const std::string& text) override;
    void waitProgress(const std::string& text) override;
    void offerWaitCancel(bool on) override;
    bool waitCancelRequested() const override { return m_cancelRequested; }
    bool waitShown() const override { return m_wait != nullptr; }
    void beep() override;

private:
    std::unique_ptr<FrmWait> m_wait;
    std::optional<std::string> m_waitText; // none: the design caption
    bool m_cancelRequested = false;
};

} // namespace sentinex
