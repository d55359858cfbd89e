#include "menubar/FanSliderView.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "menubar/PanelAccessibility.h"
#include "viewkit/FanSliderMath.h"
#include "viewkit/Palette.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"

namespace ventiq {

using PanelStyle::z;

FanSliderView::FanSliderView(MainLoop& loop, QWidget* parent)
    : QWidget(parent), loop_(loop), self_(std::make_shared<FanSliderView*>(this)) {
    installPanelAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setCursor(Qt::PointingHandCursor);
}

FanSliderView::~FanSliderView() { commitWork_.cancel(); }

double FanSliderView::thumbDiameter() { return z(14); }

void FanSliderView::setMinValue(double v) {
    minValue_ = v;
    update();
}

void FanSliderView::setMaxValue(double v) {
    maxValue_ = v;
    update();
}

void FanSliderView::setValue(double v) {
    const double clamped = std::clamp(v, minValue_, std::max(minValue_, maxValue_));
    if (clamped == value_) return;
    value_ = clamped;
    update();
}

void FanSliderView::setSliderEnabled(bool enabled) {
    enabled_ = enabled;
    setFocusPolicy(enabled ? Qt::StrongFocus : Qt::NoFocus);
    if (!enabled && hasFocus()) clearFocus();
    update();
}

double FanSliderView::trackStart() const { return thumbDiameter() / 2; }
double FanSliderView::trackEnd() const { return width() - thumbDiameter() / 2; }

void FanSliderView::change(double v) {
    if (v == value_) return;
    value_ = v;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, static_cast<int>(std::lround(v)));
        QAccessible::updateAccessibility(&event);
    }
    if (onChanging) onChanging(v);
}

void FanSliderView::updateFromMouse(double x) {
    const double raw = FanSliderMath::value(x, trackStart(), trackEnd(), minValue_, maxValue_, isRTL());
    change(FanSliderMath::snap(raw, minValue_, maxValue_));
}

void FanSliderView::mousePressEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    cancelCommit();
    setFocus(Qt::MouseFocusReason);
    tracking_ = true;
    updateFromMouse(event->position().x());
    update();
}

void FanSliderView::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_) updateFromMouse(event->position().x());
}

void FanSliderView::mouseReleaseEvent(QMouseEvent* event) {
    if (!tracking_) return;
    updateFromMouse(event->position().x());
    tracking_ = false;
    update();
    if (onCommit) onCommit(value_);
}

void FanSliderView::wheelEvent(QWheelEvent* event) {
    if (!enabled_ || maxValue_ <= minValue_) {
        event->ignore();
        return;
    }
    event->accept();
    // Pixel deltas come from touchpads and are precise; angle deltas count
    // wheel notches of 120, one line each, worth 8 points of track.
    const bool precise = !event->pixelDelta().isNull();
    const QPointF raw = precise ? QPointF(event->pixelDelta()) : QPointF(event->angleDelta()) / 120.0;
    const double dx = event->inverted() ? raw.x() : -raw.x();
    const double dy = event->inverted() ? -raw.y() : raw.y();
    const double delta = std::abs(dy) <= std::abs(dx) ? dx : dy;
    if (delta == 0) return;
    double change = delta * (precise ? 1.0 : 8.0) / std::max(trackEnd() - trackStart(), 1.0) * (maxValue_ - minValue_);
    if (isRTL()) change = -change;
    tracking_ = true;
    this->change(FanSliderMath::snap(value_ + change, minValue_, maxValue_));
    scheduleCommit();
}

void FanSliderView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (!enabled_ || (key != Qt::Key_Right && key != Qt::Key_Left)) {
        QWidget::keyPressEvent(event);
        return;
    }
    const double step = event->modifiers() & Qt::ShiftModifier ? 200 : 50;
    const bool up = (key == Qt::Key_Right) != isRTL();
    nudge(up ? step : -step);
}

bool FanSliderView::accessibilityNudge(double delta) {
    if (!enabled_) return false;
    nudge(delta);
    return true;
}

void FanSliderView::nudge(double delta) {
    tracking_ = true;
    change(FanSliderMath::snap(value_ + delta, minValue_, maxValue_));
    scheduleCommit();
}

void FanSliderView::scheduleCommit() {
    cancelCommit();
    std::weak_ptr<FanSliderView*> weak = self_;
    commitWork_ = loop_.postAfter(seconds(commitDelay), [weak] {
        const auto self = weak.lock();
        if (!self) return;
        FanSliderView* view = *self;
        view->tracking_ = false;
        view->update();
        if (view->onCommit) view->onCommit(view->value_);
    });
}

void FanSliderView::cancelCommit() { commitWork_.cancel(); }

void FanSliderView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double d = thumbDiameter(), h = z(4);
    const double start = trackStart(), end = trackEnd();
    const QRectF track(start, (height() - h) / 2, std::max(0.0, end - start), h);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, h / 2, h / 2);
    p.fillPath(trackPath, QColor(255, 255, 255, enabled_ ? 26 : 15));
    if (!enabled_ || maxValue_ <= minValue_) return;

    const bool rtl = isRTL();
    const double cx = FanSliderMath::x(value_, start, end, minValue_, maxValue_, rtl);
    const QRectF fill = rtl ? QRectF(cx, track.y(), end - cx, h) : QRectF(start, track.y(), cx - start, h);
    if (fill.width() > 0.5) {
        QLinearGradient gradient(rtl ? fill.topRight() : fill.topLeft(), rtl ? fill.topLeft() : fill.topRight());
        gradient.setColorAt(0, qcolor(Palette::gradStart));
        gradient.setColorAt(1, qcolor(Palette::accent));
        p.save();
        p.setClipPath(trackPath);
        p.fillRect(fill, gradient);
        p.restore();
    }

    const double radius = d / 2 + (tracking_ ? z(1) : 0);
    const QPointF centre(cx, height() / 2.0);
    // A soft drop shadow under the thumb, drawn as rings of falling alpha.
    const double blur = z(3);
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, static_cast<int>(0.3 * 255 / (i + 1))));
        p.drawEllipse(centre + QPointF(0, z(1)), radius + blur * i / 3, radius + blur * i / 3);
    }
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius, radius);
    if (hasFocus()) {
        p.setPen(QPen(qcolor(Palette::accentText), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, radius + 1.5, radius + 1.5);
    }
}

}  // namespace ventiq
