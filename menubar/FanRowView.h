#pragma once
#include <QWidget>

#include <functional>
#include <optional>

#include "platform/Clock.h"

class QLabel;

namespace ventiq {

class ElidingLabel;
class FanSliderView;
class MainLoop;
struct FanInfo;

// One fan of the panel: title, mode badge, measured speed and the slider
// for its fixed speed. After a drag the row holds the released value until
// the fan is forced within 5 rpm of it or 4 seconds have passed, so the
// thumb does not jump back while the request travels.
class FanRowView final : public QWidget {
public:
    static constexpr int holdTolerance = 5;
    static constexpr double holdSeconds = 4;

    FanRowView(bool isLeft, MainLoop& loop, QWidget* parent = nullptr);

    bool isLeft() const { return isLeft_; }
    // fan null: no such fan.
    void update(const FanInfo* fan, std::optional<int> targetRPM);
    std::optional<double> heldValue() const { return heldValue_; }

    ElidingLabel* titleLabel() const { return titleLabel_; }
    QLabel* badgeLabel() const { return badgeLabel_; }
    QLabel* rpmLabel() const { return rpmLabel_; }
    FanSliderView* slider() const { return slider_; }

    std::function<void(int rpm)> onSliderCommit;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutContent();
    void showRPM(const QString& text, bool accent);

    bool isLeft_;
    const Clock& clock_;
    ElidingLabel* titleLabel_;
    QLabel* badgeLabel_;
    QLabel* rpmLabel_;
    FanSliderView* slider_;
    std::optional<double> heldValue_;
    TimePoint heldAt_{};
};

}  // namespace ventiq
