#include "windows/controls/ScaledSegmented.h"

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

ScaledSegmented::ScaledSegmented(const QStringList& labels, int selected, double width, Action action, QWidget* parent)
    : ScaledControlBase(std::move(action), parent), labels_(labels), selected_(selected), fixedWidth_(width) {}

void ScaledSegmented::setSelectedSegment(int index) {
    if (index < 0 || index >= labels_.size() || index == selected_) return;
    selected_ = index;
    update();
}

void ScaledSegmented::choose(int index) {
    if (index < 0 || index >= labels_.size()) return;
    if (index != selected_) {
        selected_ = index;
        update();
    }
    fireAction();
}

QRectF ScaledSegmented::segmentRect(int index) const {
    const int n = std::max<int>(labels_.size(), 1);
    const double w = width() / static_cast<double>(n);
    const int slot = rtl() ? n - 1 - index : index;
    return {w * slot, 0, w, static_cast<double>(height())};
}

std::optional<int> ScaledSegmented::segmentAt(QPointF point) const {
    if (!QRectF(rect()).contains(point)) return std::nullopt;
    for (int i = 0; i < labels_.size(); ++i)
        if (segmentRect(i).contains(point)) return i;
    return std::nullopt;
}

void ScaledSegmented::activate() {
    if (!isEnabled() || labels_.isEmpty()) return;
    choose((selected_ + 1) % static_cast<int>(labels_.size()));
}

QSize ScaledSegmented::sizeHint() const {
    return {static_cast<int>(std::ceil(fixedWidth_)), static_cast<int>(std::ceil(SettingsStyle::rowHeight()))};
}

void ScaledSegmented::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Right || e->key() == Qt::Key_Left) {
        if (labels_.isEmpty()) return;
        const int onScreenRight = e->key() == Qt::Key_Right ? 1 : -1;
        const int step = rtl() ? -onScreenRight : onScreenRight;
        choose(std::clamp(selected_ + step, 0, static_cast<int>(labels_.size()) - 1));
        return;
    }
    ScaledControlBase::keyPressEvent(e);
}

void ScaledSegmented::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    pressed_ = segmentAt(e->position());
    setPressed(pressed_.has_value());
    update();
}

void ScaledSegmented::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) setPressed(pressed_ && segmentAt(e->position()) == pressed_);
}

void ScaledSegmented::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
    const std::optional<int> released = segmentAt(e->position());
    const std::optional<int> pressed = pressed_;
    pressed_.reset();
    setPressed(false);
    update();
    if (pressed && released == pressed) choose(*pressed);
}

void ScaledSegmented::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = dimFactor();
    const QRectF bounds = rect();
    drawBody(p, bounds, wz(7), f);
    strokeFocusRing(p, rounded(bounds.adjusted(-1, -1, 1, 1), wz(7) + 1));

    for (int i = 0; i < labels_.size(); ++i) {
        const QRectF seg = segmentRect(i);
        const QPainterPath chip = rounded(seg.adjusted(wz(2.5), wz(2.5), -wz(2.5), -wz(2.5)), wz(7) - wz(2));
        const bool selected = i == selected_;
        if (selected)
            p.fillPath(chip, faded(qcolor(Palette::segSelected), f));
        else if (pressed_ == i && isPressed())
            p.fillPath(chip, white(0.08));
        p.setFont(selected ? wfont(14, QFont::DemiBold) : wfont(14));
        p.setPen(faded(selected ? qcolor(Palette::text) : qcolor(Palette::secondary), f));
        p.drawText(seg, Qt::AlignCenter | Qt::TextSingleLine, labels_[i]);
    }
}

}  // namespace ventiq
