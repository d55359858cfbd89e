#pragma once
#include <QTimer>
#include <functional>

#include "windows/controls/ScaledControlBase.h"

namespace ventiq {

// The text-size slider from 80 % to 150 % in steps of 5. It reports every
// change while the user drags or presses arrow keys (onChanging) and the
// finished choice once (onCommit): at the button-up, or half a second after
// the last key press, so a burst of presses commits once.
class ScaleSliderView : public ScaledControlBase {
    Q_OBJECT
public:
    explicit ScaleSliderView(int percent, QWidget* parent = nullptr);

    int percent() const { return percent_; }
    // Shows a value set elsewhere, normalised; no callbacks.
    void setPercent(int p);
    bool isTracking() const { return tracking_; }
    bool hasPendingCommit() const { return commitWork_.isActive(); }
    // Moves by delta percent as a key press does, and schedules the commit.
    void nudge(int delta);

    double trackStart() const;
    double trackEnd() const;

    std::function<void(int)> onChanging;
    std::function<void(int)> onCommit;

    QSize sizeHint() const override;

    // Half a second after the last key press.
    static constexpr int commitDelayMs = 500;

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void track(double x);
    void commit();

    int percent_;
    bool tracking_ = false;
    QTimer commitWork_;
};

}  // namespace ventiq
