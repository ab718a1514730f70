#pragma once

#include <QColor>
#include <QWidget>

namespace sentinex {

/// Colour of a back-colour value as the system stores it: 0x00BBGGRR (255 is red, 65280 green).
QColor backColourToQColor(int backColour);

/// A round lamp (the shapes `Shape1`, `Shape2`) filled with its back colour. Its accessible name says
/// which lamp it is; its accessible description says the colour it shows ("rosso", "verde", or
/// "spento" while it still has its grey of before the first card), so a person who cannot see it knows.
class Lamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int backColour READ backColour WRITE setBackColour)
public:
    /// The grey a lamp shows until it is lit.
    static constexpr int OffColour = 0xC0C0C0;

    explicit Lamp(QWidget* parent = nullptr);

    int backColour() const { return m_backColour; }
    /// Fills the lamp with `backColour` and describes the new colour.
    void setBackColour(int backColour);
    QSize sizeHint() const override { return {36, 36}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_backColour = OffColour;
};

} // namespace sentinex
