#pragma once

#include "core/Operator.hpp"

namespace sentinex {

/// The operator of a command-line tool: messages go to standard error, questions answer No, input
/// boxes are cancelled.
class ConsoleOperator final : public Operator {
public:
    void message(const std::string& title, const std::string& text, MsgIcon icon) override;
    Answer question(const std::string& title, const std::string& text, MsgIcon icon,
                    bool withCancel) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& initial) override;
    void showWait() override {}
    void closeWait() override {}
    void beep() override {}
};

} // namespace sentinex
