#include "menubar/PanelLayout.h"

#include <QFontMetrics>
#include <QWidget>

#include <cmath>

#include "viewkit/QtColor.h"

namespace ventiq {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void ElidingLabel::setFullText(const QString& text) {
    if (text == full_ && !text.isEmpty()) return;
    full_ = text;
    elide();
    updateGeometry();
}

QSize ElidingLabel::sizeHint() const {
    const QFontMetrics m(font());
    return {m.horizontalAdvance(full_) + 1, m.height()};
}

QSize ElidingLabel::minimumSizeHint() const { return {0, QFontMetrics(font()).height()}; }

void ElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidingLabel::elide() { setText(QFontMetrics(font()).elidedText(full_, Qt::ElideRight, width())); }

void setTextColor(QWidget* widget, const Rgba& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, qcolor(color));
    p.setColor(QPalette::Text, qcolor(color));
    widget->setPalette(p);
}

void placeFromLeading(QWidget* child, const QRectF& r) {
    const QWidget* parent = child->parentWidget();
    const double x = parent && parent->layoutDirection() == Qt::RightToLeft ? parent->width() - r.x() - r.width() : r.x();
    child->setGeometry(QRectF(x, r.y(), r.width(), r.height()).toRect());
}

}  // namespace ventiq
