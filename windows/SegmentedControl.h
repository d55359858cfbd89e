#pragma once
#include <QStringList>
#include <QWidget>
#include <functional>

namespace ventiq {

// A row of equal segments with one selected, in the windows' dark look.
// onSelect runs only for the user's choice, not for setSelectedSegment.
class SegmentedControl : public QWidget {
public:
    SegmentedControl(const QStringList& labels, int width, int height, QWidget* parent = nullptr);

    int selectedSegment() const { return selected_; }
    void setSelectedSegment(int index);
    const QStringList& labels() const { return labels_; }
    // The segment under a point in widget coordinates, or -1.
    int segmentAt(const QPoint& point) const;
    // Chooses a segment as a click does.
    void choose(int index);

    std::function<void(int)> onSelect;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF segmentRect(int index) const;

    QStringList labels_;
    int selected_ = -1;
};

}  // namespace ventiq
