#pragma once
#include <QString>

#include "windows/controls/ScaledControlBase.h"

namespace ventiq {

// A check box or a radio button with a title. A radio button turns off the
// other radio buttons that share its parent widget, so every radio group
// gets a container of its own.
class ScaledToggle : public ScaledControlBase {
    Q_OBJECT
public:
    enum class Kind { checkbox, radio };

    ScaledToggle(Kind kind, const QString& title, Action action = {}, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    Qt::CheckState state() const { return state_; }
    // Shows a value that changed elsewhere; sends no action.
    void setState(Qt::CheckState state);
    bool isOn() const { return state_ == Qt::Checked; }

    void activate() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The square (or circle) of the mark, in the control's coordinates.
    QRectF boxRect() const;

protected:
    double disabledAlpha() const override { return 0.4; }
    void paintEvent(QPaintEvent*) override;

private:
    Kind kind_;
    QString title_;
    Qt::CheckState state_ = Qt::Unchecked;
};

}  // namespace ventiq
