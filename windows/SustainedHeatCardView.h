#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;

namespace ventiq {

class FanController;
class StepperBox;

// The sustained-heat rule: fans to maximum after the core has stayed above
// setting 3 for some minutes, and what the ladder is doing now.
class SustainedHeatCardView : public QWidget {
public:
    explicit SustainedHeatCardView(FanController& ctrl, QWidget* parent = nullptr);

    void updateUI();
    void toggleEnabled(bool on);
    // The height the card needs at a width, its notes wrapped.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }

    QCheckBox* enableCheck() const { return enableCheck_; }
    StepperBox* minutesStepper() const { return minutesStepper_; }
    QString statusText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void adjustMinutes(int delta);
    // Places the children for a width and returns the height they need.
    int layoutFor(int width, bool apply);

    FanController& ctrl_;
    QLabel* titleLabel_;
    QCheckBox* enableCheck_;
    QLabel* holdForLabel_;
    StepperBox* minutesStepper_;
    QLabel* noteLabel_;
    QLabel* statusTitleLabel_;
    QLabel* statusValueLabel_;
    QLabel* ruleNoteLabel_;
};

}  // namespace ventiq
