#include "ui/common/Lamp.hpp"

#include <QPainter>

namespace sentinex {

namespace {

constexpr int kRed = 255;
constexpr int kGreen = 65280;

/// The colour as a person would say it. The lamps only ever show red, green or their grey; any other
/// value is named by its RGB code rather than passed off as one of those.
QString colourDescription(int backColour) {
    switch (backColour) {
    case kRed:
        return QStringLiteral("rosso");
    case kGreen:
        return QStringLiteral("verde");
    case Lamp::OffColour:
        return QStringLiteral("spento");
    default:
        return backColourToQColor(backColour).name();
    }
}

} // namespace

QColor backColourToQColor(int backColour) {
    return QColor(backColour & 0xFF, (backColour >> 8) & 0xFF, (backColour >> 16) & 0xFF);
}

Lamp::Lamp(QWidget* parent) : QWidget(parent) {
    setMinimumSize(24, 24);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleDescription(colourDescription(m_backColour));
}

void Lamp::setBackColour(int backColour) {
    if (backColour == m_backColour) {
        return;
    }
    m_backColour = backColour;
    setAccessibleDescription(colourDescription(m_backColour));
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = qMin(width(), height()) - 4;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    const QColor c = backColourToQColor(m_backColour);
    QRadialGradient g(r.center() - QPointF(d / 5.0, d / 5.0), d * 0.7);
    g.setColorAt(0, c.lighter(160));
    g.setColorAt(1, c);
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.drawEllipse(r);
}

} // namespace sentinex
