#pragma once
#include <QColor>
#include <QRectF>

class QPainter;
class QPainterPath;

namespace ventiq::ControlPaint {

// The colour with its alpha multiplied by f (the dimming of a disabled control).
QColor faded(QColor c, double f);
QColor white(double alpha);
QColor black(double alpha);
// A rounded rectangle path; the radius is capped so that it stays a rectangle with round ends.
QPainterPath rounded(const QRectF& r, double radius);
// The common body of the pop-up, segmented control and stepper: the bounds
// inset by half a point, filled segmentBg and outlined one point in border.
void drawBody(QPainter& p, const QRectF& bounds, double radius, double f);

}  // namespace ventiq::ControlPaint
