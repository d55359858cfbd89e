#pragma once
#include <QWidget>
#include <functional>

namespace ventiq {

// The common base of the settings window's self-drawn controls: an action
// sent with the control as sender, a writable tag, enabled and pressed state,
// press-inside-release mouse tracking, Space/Return activation, its own focus
// ring and the pointing-hand cursor. The controls follow the settings
// window's scale factor at the moment they are built; the window rebuilds its
// whole tree when the factor changes, so a control never re-scales itself.
class ScaledControlBase : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void(ScaledControlBase& sender)>;

    explicit ScaledControlBase(Action action = {}, QWidget* parent = nullptr);

    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isPressed() const { return pressed_; }
    void setPressed(bool pressed);
    bool rtl() const { return layoutDirection() == Qt::RightToLeft; }
    // Shown while the control has keyboard focus that the keyboard gave it
    // (Tab), not the focus a window hands its first control when it opens.
    bool focusRingVisible() const { return hasFocus() && keyboardFocus_; }

    // Sends the action, when there is one, with this control as sender.
    void fireAction();
    // What a click, Space, Return and the accessibility press do. Each
    // control defines it; the base does nothing.
    virtual void activate() {}
    // The accessibility press: runs activate() when enabled and says whether it did.
    bool accessibilityPress();

    // 1 when enabled, the control's dimmed alpha otherwise.
    double dimFactor() const;

protected:
    virtual double disabledAlpha() const { return 0.45; }
    // Whether the cursor over this point is the pointing hand.
    virtual bool showsHandAt(QPoint) const { return true; }
    void updateCursor(QPoint at);
    void strokeFocusRing(class QPainter& p, const class QPainterPath& ring) const;

    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void enterEvent(QEnterEvent* e) override;

private:
    Action action_;
    int tag_ = 0;
    bool pressed_ = false;
    bool keyboardFocus_ = false;
};

}  // namespace ventiq
