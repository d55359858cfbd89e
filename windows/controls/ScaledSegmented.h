#pragma once
#include <QStringList>
#include <optional>

#include "windows/controls/ScaledControlBase.h"

namespace ventiq {

// A row of equal segments with one selected.
class ScaledSegmented : public ScaledControlBase {
    Q_OBJECT
public:
    ScaledSegmented(const QStringList& labels, int selected, double width, Action action = {}, QWidget* parent = nullptr);

    const QStringList& labels() const { return labels_; }
    int selectedSegment() const { return selected_; }
    // Shows a selection made elsewhere; no action.
    void setSelectedSegment(int index);
    std::optional<int> pressedSegment() const { return pressed_; }
    // The user's choice: selects and sends the action, also when it was
    // already selected; an index outside the labels is ignored.
    void choose(int index);
    // Segment i's rectangle; segment 0 is on the right in right-to-left.
    QRectF segmentRect(int index) const;

    // Space, Return and the accessibility press step to the next segment.
    void activate() override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    std::optional<int> segmentAt(QPointF point) const;

    QStringList labels_;
    int selected_;
    double fixedWidth_;
    std::optional<int> pressed_;
};

}  // namespace ventiq
