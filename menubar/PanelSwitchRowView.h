#pragma once
#include <QString>

#include <functional>

#include "menubar/PanelHoverRow.h"

namespace ventiq {

class ElidingLabel;
class PanelSwitchView;

// The control switch row. A click asks onToggle; the row does not flip
// itself, the panel's refresh does through setOn. For accessibility the
// whole row is one checkbox.
class PanelSwitchRowView final : public PanelHoverRow {
public:
    PanelSwitchRowView(const QString& title, std::function<void()> onToggle, QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    // Display only; never calls onToggle.
    void setOn(bool on);
    void activate() override;
    QString title() const override;
    ElidingLabel* titleLabel() const { return titleLabel_; }
    PanelSwitchView* switchView() const { return switchView_; }

protected:
    void layoutContent() override;

private:
    std::function<void()> onToggle_;
    bool on_ = false;
    ElidingLabel* titleLabel_;
    PanelSwitchView* switchView_;
};

}  // namespace ventiq
