#include "viewkit/StatusDot.h"

#include <QPainter>

#include "viewkit/QtColor.h"

namespace ventiq {

StatusDot::StatusDot(int side, Rgba initial, QWidget* parent) : QWidget(parent), color_(qcolor(initial)) {
    setFixedSize(side, side);
}

void StatusDot::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()));
}

}  // namespace ventiq
