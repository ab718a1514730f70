#pragma once

#include <QLabel>

namespace sentinex {

/// A label whose changing text (the last event, a counter, a wait text) is read by assistive
/// technology: its accessible name is the shown text, kept equal on every change, and what the label is
/// for goes in its accessible description ("Ultimo evento on line"). The text is shown as given, never
/// as markup: it may hold what a reader sent.
class ReadableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ReadableLabel(QWidget* parent = nullptr);

    /// Shows `text` and makes it the accessible name, so a screen reader announces the change. Use this
    /// rather than QLabel::setText, which would leave the name behind.
    void showText(const QString& text);
};

} // namespace sentinex
