#include "windows/SensorGraphPreviewView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>

#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"

namespace ventiq {

SensorGraphPreviewView::SensorGraphPreviewView(QWidget* parent) : QWidget(parent) {
    // A curve reads left to right in every language.
    setLayoutDirection(Qt::LeftToRight);
}

void SensorGraphPreviewView::setStartTemp(double t) {
    startTemp_ = t;
    update();
}

void SensorGraphPreviewView::setFullTemp(double t) {
    fullTemp_ = t;
    update();
}

double SensorGraphPreviewView::xFor(double t, double width) {
    if (t <= tMin) return 0;
    return width * (std::min(t, tMax) - tMin) / (tMax - tMin);
}

QPolygonF SensorGraphPreviewView::curve() const {
    const double w = width();
    return QPolygonF({QPointF(0, lowY), QPointF(xFor(startTemp_, w), lowY), QPointF(xFor(fullTemp_, w), highY),
                      QPointF(w, highY)});
}

void SensorGraphPreviewView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width();

    p.setPen(QPen(qcolor(Palette::line), 1));
    for (double y : {6.0, 51.0, 96.0}) p.drawLine(QPointF(0, y), QPointF(w, y));

    QPen curvePen(qcolor(Palette::tempBlue), 2.5);
    curvePen.setJoinStyle(Qt::RoundJoin);
    p.setPen(curvePen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(curve());

    p.setPen(Qt::NoPen);
    const QPointF start(xFor(startTemp_, w), lowY);
    const QPointF full(xFor(fullTemp_, w), highY);
    p.setBrush(qcolor(Palette::tempBlue));
    p.drawEllipse(start, 5, 5);
    p.setBrush(qcolor(Palette::accentText));
    p.drawEllipse(full, 5, 5);

    const QFont font = systemFont(10, QFont::Normal);
    const QFontMetricsF fm(font);
    p.setFont(font);
    p.setPen(qcolor(Palette::secondary));
    for (double t : {startTemp_, fullTemp_}) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f\u00B0C", t);
        const QString label = QString::fromUtf8(buffer);
        const double lw = fm.horizontalAdvance(label);
        const double x = std::min(w - lw, std::max(0.0, xFor(t, w) - lw / 2));
        p.drawText(QPointF(x, 104 + fm.ascent()), label);
    }
}

}  // namespace ventiq
