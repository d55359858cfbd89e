#include "windows/controls/ScaledControlBase.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/controls/ScaledAccessible.h"

namespace ventiq {

ScaledControlBase::ScaledControlBase(Action action, QWidget* parent) : QWidget(parent), action_(std::move(action)) {
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    installScaledControlAccessibility();
}

void ScaledControlBase::setPressed(bool pressed) {
    if (pressed_ == pressed) return;
    pressed_ = pressed;
    update();
}

void ScaledControlBase::fireAction() {
    if (action_) action_(*this);
}

bool ScaledControlBase::accessibilityPress() {
    if (!isEnabled()) return false;
    activate();
    return true;
}

double ScaledControlBase::dimFactor() const { return isEnabled() ? 1.0 : disabledAlpha(); }

void ScaledControlBase::updateCursor(QPoint at) {
    if (isEnabled() && showsHandAt(at))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void ScaledControlBase::strokeFocusRing(QPainter& p, const QPainterPath& ring) const {
    if (!focusRingVisible()) return;
    QColor c = qcolor(Palette::accentText);
    c.setAlphaF(0.85);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2));
    // A widget cannot paint outside its bounds, so a ring that would reach
    // past them is squeezed to lie just inside instead of being cut off.
    const QRectF wanted = ring.boundingRect();
    const QRectF inside = wanted.intersected(QRectF(rect()).adjusted(1, 1, -1, -1));
    if (wanted == inside || wanted.isEmpty()) {
        p.drawPath(ring);
    } else {
        QTransform fit;
        fit.translate(inside.left(), inside.top());
        fit.scale(inside.width() / wanted.width(), inside.height() / wanted.height());
        fit.translate(-wanted.left(), -wanted.top());
        p.drawPath(fit.map(ring));
    }
    p.restore();
}

void ScaledControlBase::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    setPressed(true);
}

void ScaledControlBase::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) setPressed(rect().contains(e->position().toPoint()));
    updateCursor(e->position().toPoint());
}

void ScaledControlBase::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
    const bool inside = rect().contains(e->position().toPoint());
    setPressed(false);
    if (inside) activate();
}

void ScaledControlBase::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        activate();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

void ScaledControlBase::focusInEvent(QFocusEvent* e) {
    // Returning to the window keeps whatever the focus was before.
    if (e->reason() != Qt::ActiveWindowFocusReason)
        keyboardFocus_ = e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason;
    QWidget::focusInEvent(e);
    update();
}

void ScaledControlBase::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

void ScaledControlBase::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) {
        // A control disabled mid-press must not stay drawn as pressed.
        if (!isEnabled()) pressed_ = false;
        updateCursor(mapFromGlobal(QCursor::pos()));
        update();
    }
    QWidget::changeEvent(e);
}

void ScaledControlBase::enterEvent(QEnterEvent* e) {
    updateCursor(e->position().toPoint());
    QWidget::enterEvent(e);
}

}  // namespace ventiq
