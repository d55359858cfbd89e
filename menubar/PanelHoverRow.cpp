#include "menubar/PanelHoverRow.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "menubar/PanelAccessibility.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"

namespace ventiq {

PanelHoverRow::PanelHoverRow(QWidget* parent) : QWidget(parent) {
    installPanelAccessibility();
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void PanelHoverRow::setClickable(bool clickable) {
    clickable_ = clickable;
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setFocusPolicy(clickable ? Qt::TabFocus : Qt::NoFocus);
}

void PanelHoverRow::setHovered(bool hovered) {
    if (hovered_ == hovered) return;
    hovered_ = hovered;
    update();
}

void PanelHoverRow::syncHoverWithMouse() {
    if (!isVisible()) {
        setHovered(false);
        return;
    }
    setHovered(rect().contains(mapFromGlobal(QCursor::pos())));
}

void PanelHoverRow::handleMouseEntered() {
    setHovered(true);
    if (isVisible() && onHoverEntered) onHoverEntered();
}

void PanelHoverRow::paintEvent(QPaintEvent*) {
    if (!hovered_ && !hasFocus()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const double radius = PanelStyle::z(6);
    path.addRoundedRect(QRectF(rect()), radius, radius);
    p.fillPath(path, qcolor(PanelStyle::hover));
}

void PanelHoverRow::enterEvent(QEnterEvent*) { handleMouseEntered(); }
void PanelHoverRow::leaveEvent(QEvent*) { setHovered(false); }

void PanelHoverRow::hideEvent(QHideEvent* event) {
    setHovered(false);
    QWidget::hideEvent(event);
}

void PanelHoverRow::mousePressEvent(QMouseEvent* event) {
    pressed_ = clickable_ && event->button() == Qt::LeftButton;
    event->accept();
}

void PanelHoverRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) activate();
}

void PanelHoverRow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (clickable_ && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PanelHoverRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
    syncHoverWithMouse();
}

void PanelHoverRow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange) layoutContent();
    QWidget::changeEvent(event);
}

void PanelHoverRow::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void PanelHoverRow::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

}  // namespace ventiq
