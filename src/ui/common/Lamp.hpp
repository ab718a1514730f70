#pragma once

#include <QColor>
#include <QWidget>

namespace sentinex {

/// Colour of a back-colour value as the system stores it: 0x00BBGGRR (255 is red, 65280 green).
QColor backColourToQColor(int backColour);

/// A round lamp (the shapes `Shape1`, `Shape2`) filled with its back colour.
class Lamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int backColour READ backColour WRITE setBackColour)
public:
    explicit Lamp(QWidget* parent = nullptr);

    int backColour() const { return m_backColour; }
    void setBackColour(int backColour);
    QSize sizeHint() const override { return {36, 36}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_backColour = 0xC0C0C0;
};

} // namespace sentinex
