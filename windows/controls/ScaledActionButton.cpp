#include "windows/controls/ScaledActionButton.h"

#include <QFontMetricsF>
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

ScaledActionButton::ScaledActionButton(const QString& title, bool primary, Action action, QWidget* parent)
    : ScaledControlBase(std::move(action), parent), primary_(primary), label_(title) {}

QFont ScaledActionButton::labelFont() const { return primary_ ? wfont(14, QFont::DemiBold) : wfont(14); }

void ScaledActionButton::setLabel(const QString& text) {
    if (text == label_) return;
    label_ = text;
    updateGeometry();
    update();
}

void ScaledActionButton::activate() {
    if (isEnabled()) fireAction();
}

QSize ScaledActionButton::sizeHint() const {
    const double labelWidth = std::ceil(QFontMetricsF(labelFont()).horizontalAdvance(label_));
    const double w = std::max(wz(64), labelWidth + 2 * wz(16));
    return {static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(SettingsStyle::rowHeight()))};
}

void ScaledActionButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = dimFactor();
    const QRectF bounds = rect();
    const QPainterPath body = rounded(bounds.adjusted(0.5, 0.5, -0.5, -0.5), wz(7));
    if (primary_) {
        p.fillPath(body, faded(qcolor(Palette::accent), f));
    } else {
        p.fillPath(body, faded(qcolor(Palette::segmentBg), f));
        p.strokePath(body, QPen(faded(qcolor(Palette::border), f), 1));
    }
    if (isPressed()) p.fillPath(body, primary_ ? black(0.16) : white(0.16));
    strokeFocusRing(p, rounded(bounds.adjusted(-1, -1, 1, 1), wz(8)));

    p.setFont(labelFont());
    p.setPen(faded(primary_ ? QColor(Qt::white) : qcolor(Palette::text), f));
    p.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, label_);
}

}  // namespace ventiq
