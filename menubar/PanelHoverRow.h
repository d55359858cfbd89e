#pragma once
#include <QWidget>

#include <functional>

namespace ventiq {

// A clickable panel row: highlighted while the pointer is over it, the
// pointing hand over its bounds, and activated by a click or by Space and
// Return when it has the keyboard focus.
class PanelHoverRow : public QWidget {
public:
    explicit PanelHoverRow(QWidget* parent = nullptr);

    bool isClickable() const { return clickable_; }
    void setClickable(bool clickable);
    bool isHovered() const { return hovered_; }
    // Repaints only on a change.
    void setHovered(bool hovered);
    // Hovered exactly when the row is shown and the pointer lies inside it.
    void syncHoverWithMouse();
    void handleMouseEntered();
    void resetHover() { setHovered(false); }
    // What a click, a key or an accessibility press does.
    virtual void activate() = 0;
    // The row's title, for accessibility.
    virtual QString title() const = 0;

    // Set by the panel: runs when the pointer enters this row, so that a
    // highlight left on another row is cleared at once.
    std::function<void()> onHoverEntered;

protected:
    // Places the row's content for its current size and direction.
    virtual void layoutContent() = 0;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool clickable_ = true;
    bool hovered_ = false;
    bool pressed_ = false;
};

}  // namespace ventiq
