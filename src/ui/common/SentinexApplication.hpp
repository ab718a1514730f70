#pragma once

#include <QApplication>

namespace sentinex {

class Operator;

/// The program's QApplication. Two promises on top of Qt's:
/// - while the wait form is up (a run talks to the readers) a click, key, wheel or close meant for any
///   other window is dropped, whether it comes from the person or is sent as they would send it; modal
///   boxes the run itself opens still work;
/// - an exception that a slot let through is caught here, logged and shown, and the event loop goes on.
class SentinexApplication : public QApplication {
    Q_OBJECT
public:
    SentinexApplication(int& argc, char** argv);

    /// The operator that shows a failure caught here; without one it is only logged.
    void setOperator(Operator* op) { m_op = op; }

    bool notify(QObject* receiver, QEvent* event) override;

    /// True when `event` for `receiver` is a person's input that a run on screen must not let through.
    static bool blockedByRun(QObject* receiver, const QEvent* event);

private:
    Operator* m_op = nullptr;
};

} // namespace sentinex
