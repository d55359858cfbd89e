#include "menubar/PanelAccessibility.h"

#include <QAccessibleWidget>

#include <cmath>

#include "menubar/FanSliderView.h"
#include "menubar/PanelHoverRow.h"
#include "menubar/PanelSwitchRowView.h"

namespace ventiq {
namespace {

class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(FanSliderView* w) : QAccessibleWidget(w, QAccessible::Slider) {}

    FanSliderView* slider() const { return static_cast<FanSliderView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return static_cast<int>(std::lround(slider()->value())); }
    // Assistive tools move the slider only in its own steps.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return static_cast<int>(slider()->maxValue()); }
    QVariant minimumValue() const override { return static_cast<int>(slider()->minValue()); }
    QVariant minimumStepSize() const override { return 50; }

    QStringList actionNames() const override {
        return {increaseAction(), decreaseAction(), setFocusAction()};
    }
    void doAction(const QString& name) override {
        if (name == increaseAction())
            slider()->accessibilityIncrement();
        else if (name == decreaseAction())
            slider()->accessibilityDecrement();
        else
            QAccessibleWidget::doAction(name);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.disabled = !slider()->isSliderEnabled();
        return s;
    }
};

class RowAccessible final : public QAccessibleWidget {
public:
    explicit RowAccessible(PanelHoverRow* w)
        : QAccessibleWidget(w, dynamic_cast<PanelSwitchRowView*>(w) ? QAccessible::CheckBox : QAccessible::Button) {}

    PanelHoverRow* row() const { return static_cast<PanelHoverRow*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return row()->title();
        if (t == QAccessible::Value) {
            if (auto* sw = dynamic_cast<PanelSwitchRowView*>(row())) return sw->isOn() ? "1" : "0";
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (auto* sw = dynamic_cast<PanelSwitchRowView*>(row())) {
            s.checkable = true;
            s.checked = sw->isOn();
        }
        return s;
    }
    QStringList actionNames() const override {
        if (dynamic_cast<PanelSwitchRowView*>(row())) return {toggleAction(), pressAction()};
        return {pressAction()};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction())
            row()->activate();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* slider = qobject_cast<QWidget*>(object) ? dynamic_cast<FanSliderView*>(object) : nullptr)
        return new SliderAccessible(slider);
    if (auto* row = qobject_cast<QWidget*>(object) ? dynamic_cast<PanelHoverRow*>(object) : nullptr)
        return new RowAccessible(row);
    return nullptr;
}

}  // namespace

void installPanelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

}  // namespace ventiq
