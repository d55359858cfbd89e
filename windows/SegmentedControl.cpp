#include "windows/SegmentedControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"

namespace ventiq {

SegmentedControl::SegmentedControl(const QStringList& labels, int width, int height, QWidget* parent)
    : QWidget(parent), labels_(labels) {
    setFixedSize(width, height);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(labels.join(QStringLiteral(" / ")));
}

void SegmentedControl::setSelectedSegment(int index) {
    if (index < -1 || index >= labels_.size() || index == selected_) return;
    selected_ = index;
    update();
}

QRectF SegmentedControl::segmentRect(int index) const {
    const qreal w = labels_.isEmpty() ? width() : qreal(width()) / labels_.size();
    const QRect logical(qRound(index * w), 0, qRound((index + 1) * w) - qRound(index * w), height());
    return QStyle::visualRect(layoutDirection(), rect(), logical);
}

int SegmentedControl::segmentAt(const QPoint& point) const {
    for (int i = 0; i < labels_.size(); ++i)
        if (segmentRect(i).contains(point)) return i;
    return -1;
}

void SegmentedControl::choose(int index) {
    if (index < 0 || index >= labels_.size()) return;
    setSelectedSegment(index);
    if (onSelect) onSelect(index);
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(qcolor(Palette::border), 1));
    p.setBrush(qcolor(Palette::segmentBg));
    p.drawRoundedRect(outer, 6, 6);

    // Long translations step down in size before they are shortened.
    QFont font = systemFont(12, QFont::Medium);
    const qreal segmentWidth = labels_.isEmpty() ? width() : qreal(width()) / labels_.size() - 8;
    for (double size : {11.0, 10.0}) {
        bool fits = true;
        for (const QString& label : labels_) fits = fits && QFontMetricsF(font).horizontalAdvance(label) <= segmentWidth;
        if (fits) break;
        font = systemFont(size, QFont::Medium);
    }
    p.setFont(font);
    const QFontMetrics fm(font);
    for (int i = 0; i < labels_.size(); ++i) {
        const QRectF r = segmentRect(i);
        if (i == selected_) {
            p.setPen(Qt::NoPen);
            p.setBrush(qcolor(Palette::segSelected));
            p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 4.5, 4.5);
        } else if (i > 0 && i - 1 != selected_) {
            p.setPen(QPen(qcolor(Palette::line), 1));
            const qreal x = layoutDirection() == Qt::RightToLeft ? r.right() : r.left();
            p.drawLine(QPointF(x, r.top() + 6), QPointF(x, r.bottom() - 6));
        }
        p.setPen(i == selected_ ? qcolor(Palette::text) : qcolor(Palette::secondary));
        const QString text = fm.elidedText(labels_[i], Qt::ElideRight, int(r.width()) - 8);
        p.drawText(r, Qt::AlignCenter, text);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    choose(segmentAt(event->position().toPoint()));
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    const int forward = layoutDirection() == Qt::RightToLeft ? -1 : 1;
    int step = 0;
    if (event->key() == Qt::Key_Left) step = -forward;
    else if (event->key() == Qt::Key_Right) step = forward;
    if (step == 0 || labels_.isEmpty()) return QWidget::keyPressEvent(event);
    choose(std::clamp(selected_ + step, 0, int(labels_.size()) - 1));
}

}  // namespace ventiq
