#pragma once
#include <QPolygonF>
#include <QWidget>

namespace ventiq {

// The sensor curve as the fan will follow it: minimum speed up to the start
// temperature, a straight ramp, maximum speed from the full temperature on.
class SensorGraphPreviewView : public QWidget {
public:
    static constexpr double tMin = 30;
    static constexpr double tMax = 100;
    // Heights of the maximum- and minimum-speed lines.
    static constexpr double highY = 6;
    static constexpr double lowY = 96;

    explicit SensorGraphPreviewView(QWidget* parent = nullptr);

    double startTemp() const { return startTemp_; }
    double fullTemp() const { return fullTemp_; }
    void setStartTemp(double t);
    void setFullTemp(double t);

    // Where a temperature lies across a width; the axis ends at tMin and tMax.
    static double xFor(double t, double width);
    // The four corners of the drawn curve at the view's width.
    QPolygonF curve() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double startTemp_ = 50;
    double fullTemp_ = 85;
};

}  // namespace ventiq
