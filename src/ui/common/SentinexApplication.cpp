#include "ui/common/SentinexApplication.hpp"

#include "ui/common/FrmWait.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QWidget>

#include <cstdio>
#include <exception>

namespace sentinex {

namespace {

bool isPersonsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

SentinexApplication::SentinexApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool SentinexApplication::blockedByRun(QObject* receiver, const QEvent* event) {
    if (!isPersonsInput(event->type()) || !FrmWait::isUp()) {
        return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (!widget) {
        // A shortcut fires on its QShortcut or QAction: none belongs to a run's wait form.
        return event->type() == QEvent::Shortcut;
    }
    const QWidget* window = widget->window();
    // The wait form itself (its stop button) and a box the run opens over it (the topmost modal
    // window) stay live.
    return !qobject_cast<const FrmWait*>(window) && window != QApplication::activeModalWidget() &&
           window->windowType() != Qt::Popup;
}

bool SentinexApplication::notify(QObject* receiver, QEvent* event) {
    if (blockedByRun(receiver, event)) {
        event->ignore();
        return true;
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // A slot let a failure through: the program that runs the doors must not end for it.
        const std::exception_ptr failure = std::current_exception();
        if (m_op) {
            SlotGuard::report(*m_op, failure);
        } else {
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& error) {
                std::fprintf(stderr, "sentinex: %s\n", error.what());
            } catch (...) {
                std::fputs("sentinex: eccezione sconosciuta\n", stderr);
            }
        }
        return false;
    }
}

} // namespace sentinex
