#include "ui/common/ReadableLabel.hpp"

namespace sentinex {

ReadableLabel::ReadableLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void ReadableLabel::showText(const QString& text) {
    setText(text);
    // Setting the name also tells assistive technology that it changed.
    setAccessibleName(text);
}

} // namespace sentinex
