#pragma once

#include <string>

namespace sentinex {

/// Icons of message boxes, as the system shows them.
enum class MsgIcon { None, Critical, Question, Exclamation, Information };

/// Answers of questions.
enum class Answer { Yes, No, Cancel, Ok };

/// The person at the keyboard: every message box, question, input box, the wait form and the beep go
/// through here, with title, text and icon exactly as shown. The UI shows real dialogs; tests script it.
class Operator {
public:
    virtual ~Operator() = default;
    /// A modal message box with an OK button.
    virtual void message(const std::string& title, const std::string& text, MsgIcon icon) = 0;
    /// A Yes/No question (or Yes/No/Cancel when `withCancel`).
    virtual Answer question(const std::string& title, const std::string& text, MsgIcon icon,
                            bool withCancel = false) = 0;
    /// An input box; returns the typed text, or the empty text when cancelled.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& initial = {}) = 0;
    /// An input box whose text is not shown as typed (a password); the typed text, or the empty text
    /// when cancelled. By default the plain input box.
    virtual std::string password(const std::string& prompt, const std::string& title) {
        return inputBox(prompt, title);
    }
    /// Shows the wait form ("ATTENDERE  PREGO"). While it is up a run owns the screen: the windows under
    /// it take no clicks, keys or close (see `WaitScope`, which pairs this with `closeWait`).
    virtual void showWait() = 0;
    /// Closes the wait form if it is shown.
    virtual void closeWait() = 0;
    /// Sets the text of the wait form's label (`Label1`, "ATTENDERE  PREGO" at design): on the form shown
    /// now and on every later one, until set again.
    virtual void setWaitText(const std::string& text) { (void)text; }
    /// Shows how far a long run has got, beside the wait text (reader n of N, records so far); the
    /// empty text removes it. Forgotten when the wait form closes.
    virtual void waitProgress(const std::string& text) { (void)text; }
    /// True while the wait form is shown (a long run is under way).
    virtual bool waitShown() const { return false; }
    /// Puts an "Annulla" button on the wait form shown now (`on`), or takes it away: for a wait the person
    /// may end. Forgotten when the wait form closes.
    virtual void offerWaitCancel(bool on) { (void)on; }
    /// True once the wait form's "Annulla" has been pressed since it was offered.
    virtual bool waitCancelRequested() const { return false; }
    /// One system beep.
    virtual void beep() = 0;
};

} // namespace sentinex
