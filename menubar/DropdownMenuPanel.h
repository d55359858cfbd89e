#pragma once
#include <QColor>
#include <QWidget>

#include <array>
#include <functional>

#include "platform/NotificationCenter.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace ventiq {

class ElidingLabel;
class FanController;
class FanRowView;
class MainLoop;
class MenuActionView;
class PanelHoverRow;
class PanelSwitchRowView;
class PresetRowView;
class SloganBoxView;
class StatusDot;
class TempStripView;

// The dark card the status item opens: the product and its state, both fans
// with their sliders, four temperatures, the control switch, the presets and
// the actions. It reads the engine on every refresh and calls its operations
// when the user acts; it keeps nothing of its own beyond the fan rows' held
// slider values and the hover flags.
class DropdownMenuPanel final : public QWidget {
public:
    DropdownMenuPanel(FanController& ctrl, MainLoop& loop, NotificationCenter& notifications,
                      QWidget* parent = nullptr);
    ~DropdownMenuPanel() override;

    void updateContent();
    int preferredHeight() const { return preferredHeight_; }
    void resetHover();
    // Highlights the row under the pointer, if any.
    void syncHover();
    void enableBannerClicked();

    std::function<void()> onOpenMainWindow;
    std::function<void()> onOpenPreferences;
    std::function<void()> onQuit;

    QLabel* iconView() const { return iconView_; }
    ElidingLabel* titleLabel() const { return titleLabel_; }
    QLabel* subLabel() const { return subLabel_; }
    QColor statusDotColor() const;
    QPushButton* enableBanner() const { return enableBanner_; }
    QWidget* enableBannerBox() const { return enableBannerBox_; }
    FanRowView* leftFanRow() const { return leftFanRow_; }
    FanRowView* rightFanRow() const { return rightFanRow_; }
    TempStripView* tempStrip() const { return tempStrip_; }
    PanelSwitchRowView* switchRow() const { return switchRow_; }
    const std::array<PresetRowView*, 3>& presetViews() const { return presetViews_; }
    const std::array<MenuActionView*, 2>& actionViews() const { return actionViews_; }
    SloganBoxView* sloganBox() const { return sloganBox_; }
    // The switch row, the presets and the actions, top to bottom.
    std::vector<PanelHoverRow*> hoverRows() const;
    int dividerCount() const { return dividers_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildHeader();
    void buildBanner();
    void addDivider();
    void add(QWidget* block);

    FanController& ctrl_;
    QVBoxLayout* stack_;
    QWidget* headerBox_ = nullptr;
    QLabel* iconView_ = nullptr;
    ElidingLabel* titleLabel_ = nullptr;
    QLabel* subLabel_ = nullptr;
    StatusDot* statusDot_ = nullptr;
    QPushButton* enableBanner_ = nullptr;
    QWidget* enableBannerBox_ = nullptr;
    FanRowView* leftFanRow_ = nullptr;
    FanRowView* rightFanRow_ = nullptr;
    TempStripView* tempStrip_ = nullptr;
    PanelSwitchRowView* switchRow_ = nullptr;
    std::array<PresetRowView*, 3> presetViews_{};
    std::array<MenuActionView*, 2> actionViews_{};
    SloganBoxView* sloganBox_ = nullptr;
    int preferredHeight_ = 0;
    int dividers_ = 0;
    ObserverToken dataObserver_;
};

}  // namespace ventiq
