#pragma once
#include <QWidget>

#include <functional>
#include <memory>

#include "platform/MainLoop.h"

namespace ventiq {

// The fan speed slider of the panel, self-drawn. It can be dragged,
// scrolled and moved with the arrow keys, snaps to its ends and to tens,
// mirrors for right-to-left, reports every change while it moves and
// commits the final value once: on mouse up, or 0.3 seconds after the last
// scroll or key step.
class FanSliderView final : public QWidget {
public:
    // The loop runs the delayed commit of a scroll or key burst.
    explicit FanSliderView(MainLoop& loop, QWidget* parent = nullptr);
    ~FanSliderView() override;

    // At the panel scale.
    static double thumbDiameter();
    static constexpr double commitDelay = 0.3;

    double minValue() const { return minValue_; }
    void setMinValue(double v);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double v);
    double value() const { return value_; }
    // For the owner's readings: clamped, not snapped, no callback.
    void setValue(double v);
    bool isSliderEnabled() const { return enabled_; }
    void setSliderEnabled(bool enabled);
    bool isTracking() const { return tracking_; }
    bool hasPendingCommit() const { return commitWork_.isActive(); }

    double trackStart() const;
    double trackEnd() const;
    bool isRTL() const { return layoutDirection() == Qt::RightToLeft; }
    // The accessibility increment and decrement: ±50, not mirrored.
    // Whether the slider was enabled.
    bool accessibilityIncrement() { return accessibilityNudge(50); }
    bool accessibilityDecrement() { return accessibilityNudge(-50); }

    std::function<void(double)> onChanging;
    std::function<void(double)> onCommit;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool accessibilityNudge(double delta);
    void updateFromMouse(double x);
    void nudge(double delta);
    // Stores v when it differs and reports it.
    void change(double v);
    void scheduleCommit();
    void cancelCommit();

    MainLoop& loop_;
    double minValue_ = 1350;
    double maxValue_ = 5349;
    double value_ = 1350;
    bool enabled_ = true;
    bool tracking_ = false;
    TimerHandle commitWork_;
    // The pending commit holds the view only through this.
    std::shared_ptr<FanSliderView*> self_;
};

}  // namespace ventiq
