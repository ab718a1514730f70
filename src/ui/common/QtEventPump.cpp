#include "ui/common/QtEventPump.hpp"

#include <QCoreApplication>

namespace sentinex {

void QtEventPump::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace sentinex
