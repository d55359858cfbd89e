#pragma once
#include <QWidget>
#include <functional>

class QLabel;
class QSlider;
class QPushButton;

namespace ventiq {

class FanController;
class StepperBox;
struct FanInfo;

// One fan in the main window: its measured speed, its fixed speed (the first
// temperature step) and its speeds and temperatures of steps 2 and 3. Every
// control writes to the engine at once.
class MainFanCardView : public QWidget {
public:
    static constexpr int cardHeight = 236;

    MainFanCardView(FanController& ctrl, bool isLeft, QWidget* parent = nullptr);

    // fan is null when the engine has no fan at this index.
    void update(const FanInfo* fan);
    void updateSteppers();
    // tier is 2 or 3; delta ±1 °C or ±100 rpm.
    void adjustTemp(int tier, int delta);
    void adjustRPM(int tier, int delta);
    void sliderMoved(int value);

    // The "Sensor curve…" control.
    std::function<void()> onShowCurve;

    bool isLeft() const { return isLeft_; }
    bool isDraggingSlider() const { return isDraggingSlider_; }
    QLabel* rpmLargeLabel() const { return rpmLargeLabel_; }
    QLabel* normalBadge() const { return normalBadge_; }
    QSlider* slider() const { return slider_; }
    StepperBox* tempStepper(int tier) const { return tier == 2 ? tier2TempStepper_ : tier3TempStepper_; }
    StepperBox* rpmStepper(int tier) const { return tier == 2 ? tier2RpmStepper_ : tier3RpmStepper_; }
    QLabel* tierLabel(int tier) const { return tier == 2 ? tier2Label_ : tier3Label_; }
    QPushButton* curveButton() const { return curveButton_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeSpeed();
    void layoutRow(int top, QLabel* label, StepperBox* temp, StepperBox* rpm);

    FanController& ctrl_;
    bool isLeft_;
    QLabel* titleLabel_;
    QPushButton* curveButton_;
    QLabel* rpmLargeLabel_;
    QLabel* rpmSubLabel_;
    QLabel* normalLabel_;
    QSlider* slider_;
    QLabel* normalBadge_;
    QLabel* tier2Label_;
    StepperBox* tier2TempStepper_;
    StepperBox* tier2RpmStepper_;
    QLabel* tier3Label_;
    StepperBox* tier3TempStepper_;
    StepperBox* tier3RpmStepper_;
    bool isDraggingSlider_ = false;
    // Set while update() moves the slider, so that only the user's moves write.
    bool settingSlider_ = false;
};

}  // namespace ventiq
