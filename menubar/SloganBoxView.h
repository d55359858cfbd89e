#pragma once
#include <QWidget>

class QLabel;

namespace ventiq {

// The two-line slogan at the foot of the panel.
class SloganBoxView final : public QWidget {
public:
    explicit SloganBoxView(QWidget* parent = nullptr);
    void refreshText();
    QLabel* label() const { return label_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* label_;
};

}  // namespace ventiq
