#pragma once
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QToolButton;

namespace ventiq {

// "−  value  +": two repeating buttons around a value. It holds no value or
// range; its owner computes, clamps and writes the text.
class StepperBox : public QWidget {
public:
    static constexpr int height = 24;
    static constexpr int buttonWidth = 22;
    // First repeat while held, then the pace of the following ones.
    static constexpr int repeatDelayMs = 350;
    static constexpr int repeatIntervalMs = 80;

    StepperBox(const QString& initialText, int valWidth, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // Enables both buttons and colours the value; the box itself stays enabled.
    void setEnabled(bool on);
    bool isStepperEnabled() const { return enabled_; }

    std::function<void()> onDec;
    std::function<void()> onInc;

    QToolButton* decButton() const { return decBtn_; }
    QToolButton* incButton() const { return incBtn_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* decBtn_;
    QLabel* valLabel_;
    QToolButton* incBtn_;
    bool enabled_ = true;
};

}  // namespace ventiq
