#pragma once

#include "core/Operator.hpp"

#include <deque>
#include <functional>
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
    void setWaitText(const std::string& text) override { waitText = text; }
    /// Records the progress text and calls `onProgress` with it.
    void waitProgress(const std::string& text) override;

    void offerWaitCancel(bool on) override { waitCancelOffered = on; }
    bool waitShown() const override { return waitVisible; }
    /// True once `cancelWaitAfter` checks of an offered cancel have been made (0: never).
    bool waitCancelRequested() const override {
        return waitCancelOffered && cancelWaitAfter > 0 && ++waitCancelChecks >= cancelWaitAfter;
    }

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
    bool waitCancelOffered = false;
    int cancelWaitAfter = 0;
    mutable int waitCancelChecks = 0;
    int waitShownCount = 0;
    int beeps = 0;
    /// The wait form's label text now, and what it read each time the wait form was shown.
    std::string waitText = "ATTENDERE  PREGO";
    std::vector<std::string> waitTextsShown;
    /// Every progress text, in order; `onProgress` runs inside each (e.g. to make a reader fall silent).
    std::vector<std::string> progress;
    std::function<void(const std::string&)> onProgress;
};

} // namespace sentinex::testing
