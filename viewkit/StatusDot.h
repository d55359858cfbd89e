#pragma once
#include <QColor>
#include <QWidget>

#include "viewkit/Rgba.h"

namespace ventiq {

// A filled circle of a fixed side whose colour tells the fan-control state
// at a glance.
class StatusDot final : public QWidget {
public:
    StatusDot(int side, Rgba initial, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    const QColor& color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

}  // namespace ventiq
