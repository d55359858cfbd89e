#pragma once
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

namespace ventiq {

// One tab of the settings window: a symbol over a title, tinted in the
// accent colour on a darker chip while selected. A press selects at once.
class PrefTabButton : public QWidget {
    Q_OBJECT
public:
    PrefTabButton(std::string symbol, const QString& title, QWidget* parent = nullptr);

    static double buttonWidth();
    static double buttonHeight();

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    const QString& title() const { return title_; }
    // Called on a press and on the accessibility press.
    std::function<void()> onClick;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    std::string symbol_;
    QString title_;
    bool selected_ = false;
    bool keyboardFocus_ = false;
};

// Teaches the accessibility layer the tab buttons (radio buttons whose press
// selects the tab). Idempotent.
void installPrefTabAccessibility();

}  // namespace ventiq
