#include "windows/controls/ControlPaint.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"

namespace ventiq::ControlPaint {

QColor faded(QColor c, double f) {
    c.setAlphaF(static_cast<float>(c.alphaF() * f));
    return c;
}

QColor white(double alpha) {
    QColor c(255, 255, 255);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

QColor black(double alpha) {
    QColor c(0, 0, 0);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

QPainterPath rounded(const QRectF& r, double radius) {
    const double cap = std::min(r.width(), r.height()) / 2;
    QPainterPath path;
    path.addRoundedRect(r, std::min(radius, cap), std::min(radius, cap));
    return path;
}

void drawBody(QPainter& p, const QRectF& bounds, double radius, double f) {
    const QRectF body = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(faded(qcolor(Palette::border), f), 1));
    p.setBrush(faded(qcolor(Palette::segmentBg), f));
    p.drawPath(rounded(body, radius));
}

}  // namespace ventiq::ControlPaint
