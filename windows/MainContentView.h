#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "engine/FanPreset.h"
#include "engine/LadderTier.h"
#include "platform/NotificationCenter.h"
#include "windows/MainWindowContext.h"

class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace ventiq {

class MainFanCardView;
class SegmentedControl;
class SensorListView;
class SensorRefresher;
class StatusDot;
class SustainedHeatCardView;

// The main window's content: the toolbar with the preset selector, the fan
// cards and the sustained-heat card on the left, the live sensor list on the
// right and the status bar. Every control writes to the engine at once;
// Cancel restores what was set when this view was built, except the preset.
class MainContentView : public QWidget {
public:
    static constexpr int toolbarHeight = 52;
    static constexpr int statusBarHeight = 34;
    static constexpr int leftColumnWidth = 520;

    explicit MainContentView(const MainWindowContext& context, QWidget* parent = nullptr);
    ~MainContentView() override;

    void startLive();
    void stopLive();
    bool isLive() const;
    void updateUI();
    // The height that shows the left column and the whole sensor list.
    int desiredHeight();
    int sensorApplyCount() const { return sensorApplyCount_; }
    // Places everything for the current size at once, also while hidden.
    void relayout();

    void presetChanged(int segment);
    void saveClicked();
    void cancelClicked();
    void openPreferences();
    void enableHelperClicked();

    // Called when an optional card appears or disappears.
    std::function<void()> onLayoutChanged;

    // For inspection.
    SegmentedControl* presetSegment() const { return presetSegment_; }
    MainFanCardView* card(bool isLeft) const { return isLeft ? leftCard_ : rightCard_; }
    SustainedHeatCardView* sustainedCard() const { return sustainedCard_; }
    bool sustainedCardShown() const;
    QLabel* cpuTempLabel() const { return cpuTempLabel_; }
    QLabel* statusLabel() const { return statusLabel_; }
    QColor statusDotColor() const;
    QPushButton* enableHelperButton() const { return enableHelperButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    QToolButton* settingsGear() const { return settingsGear_; }
    QScrollArea* leftScroll() const { return leftScroll_; }
    QWidget* leftDoc() const { return leftDoc_; }
    SensorListView* sensorList() const { return sensorList_; }
    const std::string& layoutKey() const { return layoutKey_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Bar;

    void buildToolbar();
    void buildStatusBar();
    void buildLeftColumn();
    void applySnapshot(const SensorListSnapshot& snapshot);
    // Places the left column's content and returns its height.
    int layoutLeftDoc(int width, bool apply);
    void layoutBars();

    MainWindowContext context_;
    FanController& ctrl_;

    Bar* toolbar_;
    Bar* statusBar_;
    QLabel* appNameLabel_;
    SegmentedControl* presetSegment_;
    MainFanCardView* leftCard_;
    MainFanCardView* rightCard_;
    SustainedHeatCardView* sustainedCard_;
    QLabel* fansLabel_;
    QLabel* cpuTempLabel_;
    QLabel* statusLabel_;
    StatusDot* statusDot_;
    QPushButton* enableHelperButton_;
    QPushButton* cancelButton_;
    QPushButton* saveButton_;
    QToolButton* settingsGear_;
    QScrollArea* leftScroll_;
    QWidget* leftDoc_;
    QWidget* divider_;
    SensorListView* sensorList_;
    std::string layoutKey_;

    FanMode initialLeftMode_;
    FanMode initialRightMode_;
    int initialLeftRPM_;
    int initialRightRPM_;
    bool initialLeftLadder_;
    bool initialRightLadder_;
    LadderTier initialLadder2_;
    LadderTier initialLadder3_;
    bool initialSustainedMaxOn_;
    int initialSustainedMinutes_;

    std::unique_ptr<SensorRefresher> sensorRefresher_;
    int sensorApplyCount_ = 0;
    ObserverToken dataObserver_;
};

}  // namespace ventiq
