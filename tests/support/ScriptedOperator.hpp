#pragma once

#include "core/Operator.hpp"

#include <deque>
#include <string>
#include <vector>

namespace sentinex::testing {

/// An operator that records everything shown and answers from queues.
class ScriptedOperator : public Operator {
public:
    enum class Kind { Message, Question, Input };
    struct Shown {
        Kind kind;
        std::string title;
        std::string text;
        MsgIcon icon = MsgIcon::None;
        bool withCancel = false;
    };

    void message(const std::string& title, const std::string& text, MsgIcon icon) override;
    /// Answers the next queued answer, or `defaultAnswer` when the queue is empty.
    Answer question(const std::string& title, const std::string& text, MsgIcon icon,
                    bool withCancel) override;
    /// Answers the next queued input, or the empty text (cancel) when the queue is empty.
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& initial) override;
    void showWait() override;
    void closeWait() override;
    void beep() override { ++beeps; }

    void queueAnswer(Answer a) { answers.push_back(a); }
    void queueInput(std::string text) { inputs.push_back(std::move(text)); }

    /// Messages only (not questions or inputs).
    std::vector<Shown> messages() const;
    /// Texts of everything shown, in order.
    std::vector<std::string> texts() const;
    /// The last thing shown; fails the current test when nothing was shown.
    const Shown& last() const;
    void clear();

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<std::string> inputs;
    Answer defaultAnswer = Answer::No;
    bool waitVisible = false;
    int waitShownCount = 0;
    int beeps = 0;
};

} // namespace sentinex::testing
