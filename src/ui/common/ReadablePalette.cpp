#include "ReadablePalette.hpp"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace sentinex {

void keepReadableWhenDisabled(QWidget& widget) {
    QPalette p = widget.palette();
    p.setColor(QPalette::Disabled, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x50, 0x50, 0x50));
    widget.setPalette(p);
}

} // namespace sentinex
