#pragma once
#include <QWidget>

namespace ventiq {

// The capsule switch of the switch row. It takes no mouse events, so that
// clicks reach the row, which decides.
class PanelSwitchView final : public QWidget {
public:
    explicit PanelSwitchView(QWidget* parent = nullptr);
    bool isOn() const { return on_; }
    // Repaints only on a change.
    void setOn(bool on);
    // The knob's centre, in the switch's coordinates.
    QPointF knobCenter() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
};

}  // namespace ventiq
