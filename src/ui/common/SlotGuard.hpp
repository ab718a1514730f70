#pragma once

#include "core/Operator.hpp"
#include "session/FailureReport.hpp"

#include <exception>
#include <utility>

class QCloseEvent;

namespace sentinex {

/// The top of every window slot. A slot that a person sets off (a click, a key, a close box) does
/// nothing while a run owns the screen (the wait form is up); a store error it meets is shown as
/// "Errore" with the engine's text and any other failure with an Italian text; nothing escapes into
/// Qt's event loop, so the program that runs the doors goes on.
class SlotGuard {
public:
    /// Runs `action` unless a run owns the screen. True when it ran to its end without an exception.
    template <typename F> static bool run(Operator& op, F&& action) {
        if (op.waitShown()) {
            return false;
        }
        return runAlways(op, std::forward<F>(action));
    }

    /// Runs `action` even while a run owns the screen (a timer tick, a run's own stop button), with the
    /// same catches. True when it ran to its end without an exception.
    template <typename F> static bool runAlways(Operator& op, F&& action) {
        try {
            std::forward<F>(action)();
            return true;
        } catch (...) {
            report(op, std::current_exception());
            return false;
        }
    }

    /// A slot body for `QObject::connect`: `action` run through `run`, whatever the signal carries.
    template <typename F> static auto wrap(Operator& op, F action) {
        return [&op, action = std::move(action)](auto&&...) mutable { run(op, action); };
    }

    /// A slot body for `QObject::connect` that acts even while a run owns the screen (a timer tick, a run's
    /// own stop button, a child window coming back): `action` run through `runAlways`.
    template <typename F> static auto wrapAlways(Operator& op, F action) {
        return [&op, action = std::move(action)](auto&&...) mutable { runAlways(op, action); };
    }

    /// For a form's closeEvent: ignores the close and returns true while a run owns the screen, so no
    /// window goes from under a run.
    static bool refuseWhileRun(const Operator& op, QCloseEvent* event);

    /// Shows what `failure` was (FailureReport: a store error with the engine's text, anything else with
    /// an Italian text).
    static void report(Operator& op, std::exception_ptr failure) {
        FailureReport::show(op, std::move(failure));
    }

    /// The texts shown.
    static constexpr const char* StoreErrorPrefix = FailureReport::StoreErrorPrefix;
    static constexpr const char* UnexpectedText = FailureReport::UnexpectedText;
};

} // namespace sentinex
