#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>

namespace sentinex {

bool SlotGuard::refuseWhileRun(const Operator& op, QCloseEvent* event) {
    if (!op.waitShown()) {
        return false;
    }
    event->ignore();
    return true;
}

} // namespace sentinex
