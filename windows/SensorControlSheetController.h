#pragma once
#include <QDialog>
#include <QString>
#include <optional>
#include <utility>

class QComboBox;
class QLabel;
class QPushButton;

namespace ventiq {

class FanController;
class FieldBox;
class SegmentedControl;
class SensorGraphPreviewView;

// The sheet that puts one fan under the sensor curve: the reference
// temperature, where the ramp starts and where it reaches full speed. Nothing
// reaches the engine until Apply succeeds.
class SensorControlSheetController : public QDialog {
public:
    static constexpr int sheetWidth = 480;
    static constexpr int sheetHeight = 440;
    static constexpr int lowestTemp = 20;
    static constexpr int highestTemp = 110;

    // Brings the open sheet forward if there is one (its side unchanged);
    // otherwise opens a sheet for this side, window-modal on parentWindow when
    // that is visible, else as a window of its own.
    static SensorControlSheetController* show(FanController& ctrl, bool isLeft, QWidget* parentWindow);
    static SensorControlSheetController* current();

    SensorControlSheetController(FanController& ctrl, bool isLeft, QWidget* parent = nullptr);
    ~SensorControlSheetController() override;

    // Both texts trimmed, whole numbers in [20, 110], start below full.
    static std::optional<std::pair<int, int>> parsedTemps(const QString& startText, const QString& fullText);
    std::optional<std::pair<int, int>> parsedTemps() const;

    void apply();
    void cancel();
    void modeChanged(int segment);
    void textChanged();

    bool isLeft() const { return isLeft_; }
    SegmentedControl* modeSegment() const { return modeSegment_; }
    QComboBox* sensorPopUp() const { return sensorPopUp_; }
    FieldBox* startBox() const { return startBox_; }
    FieldBox* maxBox() const { return maxBox_; }
    SensorGraphPreviewView* curveView() const { return curveView_; }
    QLabel* errorLabel() const { return errorLabel_; }
    QPushButton* applyButton() const { return applyButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void reject() override;

private:
    void layoutContent();
    void showError(bool shown);
    void finish();

    FanController& ctrl_;
    bool isLeft_;
    QLabel* titleLabel_;
    SegmentedControl* modeSegment_;
    QLabel* sensorLabel_;
    QComboBox* sensorPopUp_;
    QLabel* startLabel_;
    FieldBox* startBox_;
    QLabel* startUnit_;
    QLabel* fullLabel_;
    FieldBox* maxBox_;
    QLabel* fullUnit_;
    SensorGraphPreviewView* curveView_;
    QLabel* errorLabel_;
    QPushButton* applyButton_;
    QPushButton* cancelButton_;
};

}  // namespace ventiq
