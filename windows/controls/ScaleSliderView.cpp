#include "windows/controls/ScaleSliderView.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "settings/SettingsStyle.h"
#include "settings/UIScale.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/controls/ControlPaint.h"
#include "windows/controls/ScaleSliderMath.h"

namespace ventiq {

using namespace ControlPaint;

ScaleSliderView::ScaleSliderView(int percent, QWidget* parent)
    : ScaledControlBase({}, parent), percent_(UIScale::normalized(percent)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    commitWork_.setSingleShot(true);
    commitWork_.setTimerType(Qt::PreciseTimer);
    commitWork_.setInterval(commitDelayMs);
    connect(&commitWork_, &QTimer::timeout, this, &ScaleSliderView::commit);
}

void ScaleSliderView::setPercent(int p) {
    percent_ = UIScale::normalized(p);
    update();
}

double ScaleSliderView::trackStart() const { return wz(18) / 2; }
double ScaleSliderView::trackEnd() const { return width() - wz(18) / 2; }

void ScaleSliderView::track(double x) {
    const int p = ScaleSliderMath::percent(x, trackStart(), trackEnd(), rtl());
    if (p == percent_) return;
    percent_ = p;
    update();
    if (onChanging) onChanging(p);
}

void ScaleSliderView::commit() {
    tracking_ = false;
    update();
    if (onCommit) onCommit(percent_);
}

void ScaleSliderView::nudge(int delta) {
    tracking_ = true;
    const int p = UIScale::normalized(percent_ + delta);
    if (p != percent_) {
        percent_ = p;
        update();
        if (onChanging) onChanging(p);
    }
    commitWork_.start();
}

void ScaleSliderView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Right || e->key() == Qt::Key_Left) {
        const int onScreenRight = e->key() == Qt::Key_Right ? 5 : -5;
        nudge(rtl() ? -onScreenRight : onScreenRight);
        return;
    }
    ScaledControlBase::keyPressEvent(e);
}

void ScaleSliderView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    commitWork_.stop();
    tracking_ = true;
    update();
    track(e->position().x());
}

void ScaleSliderView::mouseMoveEvent(QMouseEvent* e) {
    if (tracking_ && (e->buttons() & Qt::LeftButton)) track(e->position().x());
}

void ScaleSliderView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !tracking_) return QWidget::mouseReleaseEvent(e);
    track(e->position().x());
    commit();
}

QSize ScaleSliderView::sizeHint() const {
    return {static_cast<int>(std::ceil(wz(168))), static_cast<int>(std::ceil(SettingsStyle::rowHeight()))};
}

void ScaleSliderView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = dimFactor();
    const double start = trackStart(), end = trackEnd(), midY = height() / 2.0;
    const QRectF trackRect(start, midY - wz(4) / 2, std::max(0.0, end - start), wz(4));
    const QPainterPath track = rounded(trackRect, wz(2));
    p.fillPath(track, white(0.1 * f));

    const double mark = std::round(ScaleSliderMath::x(UIScale::defaultPercent, start, end, rtl()));
    p.fillRect(QRectF(mark - 0.5, midY - wz(6), 1, wz(12)), white(0.28 * f));

    const double thumbX = ScaleSliderMath::x(percent_, start, end, rtl());
    const QRectF filled = rtl() ? QRectF(thumbX, trackRect.top(), end - thumbX, trackRect.height())
                                : QRectF(start, trackRect.top(), thumbX - start, trackRect.height());
    if (filled.width() > 0.5) {
        QLinearGradient gradient(rtl() ? filled.topRight() : filled.topLeft(), rtl() ? filled.topLeft() : filled.topRight());
        gradient.setColorAt(0, faded(qcolor(Palette::gradStart), f));
        gradient.setColorAt(1, faded(qcolor(Palette::accent), f));
        p.save();
        p.setClipPath(track);
        p.fillRect(filled, gradient);
        p.restore();
    }

    const double r = wz(18) / 2 + (tracking_ ? wz(1) : 0);
    const QPointF centre(thumbX, midY);
    // The thumb's soft shadow: a few widening translucent rings under it.
    const double blur = wz(3);
    for (int i = 3; i >= 1; --i) {
        const double grow = blur * i / 3;
        p.setPen(Qt::NoPen);
        p.setBrush(black(0.45 * f / 4));
        p.drawEllipse(centre + QPointF(0, wz(1)), r + grow / 2, r + grow / 2);
    }
    p.setBrush(white(f));
    p.drawEllipse(centre, r, r);
    strokeFocusRing(p, [&] {
        QPainterPath ring;
        ring.addEllipse(centre, r + 3, r + 3);
        return ring;
    }());
}

}  // namespace ventiq
