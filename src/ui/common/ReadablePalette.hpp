#pragma once

class QWidget;

namespace sentinex {

/// Browse mode shows a record in disabled boxes; their values are what the operator reads. Gives
/// `widget` (and its children) a palette whose disabled text keeps the normal text colour and whose
/// disabled captions are a dark grey, so the greyed boxes still tell that they cannot be typed in.
void keepReadableWhenDisabled(QWidget& widget);

} // namespace sentinex
