#include "menubar/PanelSwitchView.h"

#include <QPainter>
#include <QPainterPath>

#include "viewkit/Palette.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"

namespace ventiq {

using PanelStyle::z;

PanelSwitchView::PanelSwitchView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());
}

QSize PanelSwitchView::sizeHint() const { return QSizeF(z(46), z(26)).toSize(); }

void PanelSwitchView::setOn(bool on) {
    if (on_ == on) return;
    on_ = on;
    update();
}

QPointF PanelSwitchView::knobCenter() const {
    const double d = z(20), inset = z(3);
    // On sits at the trailing end, off at the leading end.
    const bool right = on_ != (layoutDirection() == Qt::RightToLeft);
    const double x = right ? width() - inset - d / 2 : inset + d / 2;
    return {x, height() / 2.0};
}

void PanelSwitchView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    const QRectF r(rect());
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, on_ ? qcolor(Palette::accent) : QColor(74, 74, 82));
    const double radius = z(20) / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(knobCenter(), radius, radius);
}

}  // namespace ventiq
