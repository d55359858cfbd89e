#include "windows/controls/ScaledStepper.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "settings/SettingsStyle.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/controls/ControlPaint.h"
#include "windows/controls/WFont.h"

namespace ventiq {

using namespace ControlPaint;

namespace {
constexpr int firstRepeatMs = 450;
constexpr int repeatMs = 70;
}  // namespace

ScaledStepper::ScaledStepper(int value, Range range, int step, double valueWidth, Format format, QWidget* parent)
    : ScaledControlBase({}, parent),
      value_(std::clamp(value, range.lowerBound, range.upperBound)),
      range_(range),
      step_(step),
      valueWidth_(valueWidth),
      format_(format ? std::move(format) : [](int v) { return QString::number(v); }) {
    setMouseTracking(true);
    unsetCursor();
    repeat_.setSingleShot(false);
    connect(&repeat_, &QTimer::timeout, this, &ScaledStepper::repeatNudge);
}

void ScaledStepper::setValue(int v) {
    const int clamped = std::clamp(v, range_.lowerBound, range_.upperBound);
    if (clamped == value_) return;
    value_ = clamped;
    update();
}

bool ScaledStepper::nudge(int direction) {
    if (!isEnabled()) return false;
    const long long wanted = static_cast<long long>(value_) + static_cast<long long>(direction) * step_;
    const int next = static_cast<int>(std::clamp<long long>(wanted, range_.lowerBound, range_.upperBound));
    if (next == value_) return false;
    value_ = next;
    update();
    if (onChange) onChange(value_);
    return true;
}

bool ScaledStepper::valueFits() const {
    return std::ceil(QFontMetricsF(wfont(14, QFont::DemiBold, true)).horizontalAdvance(text())) <=
           valueWidth_ - wz(8) + 0.5;
}

QSize ScaledStepper::sizeHint() const {
    return {static_cast<int>(std::ceil(2 * wz(30) + valueWidth_)), static_cast<int>(std::ceil(SettingsStyle::rowHeight()))};
}

int ScaledStepper::sideAt(QPoint at) const {
    if (!rect().contains(at)) return 0;
    const double side = wz(30);
    if (at.x() < side) return -1;
    if (at.x() >= width() - side) return +1;
    return 0;
}

bool ScaledStepper::showsHandAt(QPoint at) const { return sideAt(at) != 0; }

void ScaledStepper::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        nudge(-1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Up:
        nudge(+1);
        return;
    default:
        ScaledControlBase::keyPressEvent(e);
    }
}

void ScaledStepper::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    const int side = sideAt(e->position().toPoint());
    if (side == 0) return;
    pressedSide_ = side;
    lastPointer_ = e->position().toPoint();
    update();
    nudge(side);
    repeat_.start(firstRepeatMs);
}

void ScaledStepper::repeatNudge() {
    repeat_.setInterval(repeatMs);
    if (pressedSide_ != 0 && isEnabled() && rect().contains(lastPointer_)) nudge(pressedSide_);
}

void ScaledStepper::mouseMoveEvent(QMouseEvent* e) {
    lastPointer_ = e->position().toPoint();
    updateCursor(lastPointer_);
}

void ScaledStepper::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
    repeat_.stop();
    if (pressedSide_ == 0) return;
    pressedSide_ = 0;
    update();
}

void ScaledStepper::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = dimFactor();
    const QRectF bounds = rect();
    const double side = wz(30);
    drawBody(p, bounds, wz(7), f);
    if (pressedSide_ != 0) {
        const QRectF strip = pressedSide_ < 0 ? QRectF(0, 0, side, height()) : QRectF(width() - side, 0, side, height());
        p.save();
        p.setClipPath(rounded(bounds.adjusted(0.5, 0.5, -0.5, -0.5), wz(7)));
        p.fillRect(strip, white(0.1));
        p.restore();
    }
    p.setPen(QPen(faded(qcolor(Palette::border), f), 1));
    for (double x : {side - 0.5, width() - side - 0.5})
        p.drawLine(QPointF(x, wz(6)), QPointF(x, height() - wz(6)));

    auto signColour = [&](bool canChange) {
        return canChange ? faded(qcolor(Palette::text), f) : faded(qcolor(Palette::secondary), 0.45 * f);
    };
    const double arm = wz(5), midY = height() / 2.0;
    const QPointF minusCentre(side / 2, midY), plusCentre(width() - side / 2, midY);
    const QPen signPen(signColour(value_ > range_.lowerBound), wz(1.5), Qt::SolidLine, Qt::RoundCap);
    p.setPen(signPen);
    p.drawLine(minusCentre - QPointF(arm, 0), minusCentre + QPointF(arm, 0));
    p.setPen(QPen(signColour(value_ < range_.upperBound), wz(1.5), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(plusCentre - QPointF(arm, 0), plusCentre + QPointF(arm, 0));
    p.drawLine(plusCentre - QPointF(0, arm), plusCentre + QPointF(0, arm));

    p.setFont(wfont(14, QFont::DemiBold, true));
    p.setPen(faded(qcolor(Palette::text), f));
    p.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, text());
    strokeFocusRing(p, rounded(bounds.adjusted(-1, -1, 1, 1), wz(7) + 1));
}

}  // namespace ventiq
