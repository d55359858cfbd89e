#pragma once
#include <QWidget>

namespace ventiq {

// A preview of one dropdown-panel fan row at a text size: the left fan's
// name and "3200 rpm", at the size the panel would really use on this screen.
class FontSampleView : public QWidget {
    Q_OBJECT
public:
    explicit FontSampleView(QWidget* parent = nullptr);

    int percent() const { return percent_; }
    void setPercent(int percent);
    // The percentage the panel would show for the chosen one (capped by the screen).
    int shownPercent() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int percent_ = 100;
};

}  // namespace ventiq
