#include "windows/controls/ScaledToggle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "settings/SettingsStyle.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/controls/ControlPaint.h"
#include "windows/controls/WFont.h"

namespace ventiq {

using namespace ControlPaint;

ScaledToggle::ScaledToggle(Kind kind, const QString& title, Action action, QWidget* parent)
    : ScaledControlBase(std::move(action), parent), kind_(kind), title_(title) {
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

void ScaledToggle::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    updateGeometry();
    update();
}

void ScaledToggle::setState(Qt::CheckState state) {
    if (state == state_) return;
    state_ = state;
    update();
}

void ScaledToggle::activate() {
    if (!isEnabled()) return;
    if (kind_ == Kind::checkbox) {
        setState(isOn() ? Qt::Unchecked : Qt::Checked);
    } else {
        setState(Qt::Checked);
        if (QWidget* group = parentWidget()) {
            for (auto* sibling : group->findChildren<ScaledToggle*>(Qt::FindDirectChildrenOnly))
                if (sibling != this && sibling->kind() == Kind::radio && sibling->isOn())
                    sibling->setState(Qt::Unchecked);
        }
    }
    fireAction();
}

QSize ScaledToggle::sizeHint() const {
    const double titleWidth = std::ceil(QFontMetricsF(wfont(14)).horizontalAdvance(title_));
    return {static_cast<int>(std::ceil(titleWidth + wz(18) + wz(9) + 2)),
            static_cast<int>(std::ceil(SettingsStyle::rowHeight()))};
}

QRectF ScaledToggle::boxRect() const {
    const double b = wz(18);
    const double x = rtl() ? width() - b : 0;
    return {x, (height() - b) / 2, b, b};
}

void ScaledToggle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double f = dimFactor();
    const QRectF box = boxRect();
    const double b = box.width();
    const QRectF inset = box.adjusted(0.5, 0.5, -0.5, -0.5);

    QPainterPath shape;
    if (kind_ == Kind::checkbox)
        shape = rounded(inset, wz(5));
    else
        shape.addEllipse(inset);

    if (isOn()) {
        p.fillPath(shape, faded(qcolor(Palette::accent), f));
    } else {
        p.fillPath(shape, faded(qcolor(Palette::segmentBg), f));
        p.strokePath(shape, QPen(faded(qcolor(Palette::border), f), 1));
    }
    if (isPressed()) p.fillPath(shape, white(0.14));

    if (isOn()) {
        const QColor mark = faded(Qt::white, f);
        if (kind_ == Kind::checkbox) {
            QPainterPath tick;
            tick.moveTo(box.left() + 0.26 * b, box.top() + 0.52 * b);
            tick.lineTo(box.left() + 0.44 * b, box.top() + 0.70 * b);
            tick.lineTo(box.left() + 0.76 * b, box.top() + 0.32 * b);
            p.strokePath(tick, QPen(mark, wz(2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        } else {
            const double d = 0.38 * b;
            p.setPen(Qt::NoPen);
            p.setBrush(mark);
            p.drawEllipse(QRectF(box.center().x() - d / 2, box.center().y() - d / 2, d, d));
        }
    }

    QPainterPath ring;
    const QRectF grown = box.adjusted(-2, -2, 2, 2);
    if (kind_ == Kind::checkbox)
        ring = rounded(grown, wz(7));
    else
        ring.addEllipse(grown);
    strokeFocusRing(p, ring);

    p.setFont(wfont(14));
    p.setPen(faded(qcolor(Palette::text), f));
    const double gap = wz(9);
    const QRectF titleRect = rtl() ? QRectF(0, 0, std::max(0.0, box.left() - gap), height())
                                   : QRectF(box.right() + gap, 0, std::max(0.0, width() - box.right() - gap), height());
    p.drawText(titleRect, Qt::AlignAbsolute | Qt::AlignVCenter | (rtl() ? Qt::AlignRight : Qt::AlignLeft) | Qt::TextSingleLine, title_);
}

}  // namespace ventiq
