#pragma once
#include <QString>
#include <QTimer>
#include <functional>

#include "windows/controls/ScaledControlBase.h"

namespace ventiq {

// An integer with a minus side and a plus side, for integer settings such as
// a temperature of 40 to 90 in steps of 1 or a fan speed in steps of 100
// capped at the fan's maximum. Holding a side repeats.
class ScaledStepper : public ScaledControlBase {
    Q_OBJECT
public:
    struct Range {
        int lowerBound;
        int upperBound;
    };
    using Format = std::function<QString(int)>;

    ScaledStepper(int value, Range range, int step, double valueWidth, Format format, QWidget* parent = nullptr);

    int value() const { return value_; }
    Range range() const { return range_; }
    int step() const { return step_; }
    // Shows a value that changed elsewhere, clamped into the range; no callback.
    void setValue(int v);
    // One step up (+1) or down (-1), clamped; calls onChange and returns true
    // only when the value changed.
    bool nudge(int direction);
    // Whether the formatted value fits between the two sides.
    bool valueFits() const;
    QString text() const { return format_(value_); }
    int pressedSide() const { return pressedSide_; }

    std::function<void(int)> onChange;
    QString accessibilityName;

    QSize sizeHint() const override;

protected:
    bool showsHandAt(QPoint at) const override;
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int sideAt(QPoint at) const;
    void repeatNudge();

    int value_;
    Range range_;
    int step_;
    double valueWidth_;
    Format format_;
    int pressedSide_ = 0;
    QPoint lastPointer_;
    QTimer repeat_;
};

}  // namespace ventiq
