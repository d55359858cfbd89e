#include "windows/controls/ScaledAccessible.h"

#include <QAccessibleWidget>
#include <mutex>

#include "settings/L10n.h"
#include "windows/controls/ScaleSliderView.h"
#include "windows/controls/ScaledActionButton.h"
#include "windows/controls/ScaledPopUp.h"
#include "windows/controls/ScaledSegmented.h"
#include "windows/controls/ScaledStepper.h"
#include "windows/controls/ScaledToggle.h"

namespace ventiq {
namespace {

// A scaled control as one element whose press runs the control's activate().
class PressableAccessible : public QAccessibleWidget {
public:
    PressableAccessible(ScaledControlBase* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    ScaledControlBase* control() const { return static_cast<ScaledControlBase*>(widget()); }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) control()->accessibilityPress();
    }
};

class ToggleAccessible final : public PressableAccessible {
public:
    explicit ToggleAccessible(ScaledToggle* t)
        : PressableAccessible(t, t->kind() == ScaledToggle::Kind::checkbox ? QAccessible::CheckBox
                                                                           : QAccessible::RadioButton) {}
    ScaledToggle* toggle() const { return static_cast<ScaledToggle*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return toggle()->title();
        if (t == QAccessible::Value) return toggle()->isOn() ? QStringLiteral("1") : QStringLiteral("0");
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = toggle()->isOn();
        return s;
    }
};

class PopUpAccessible final : public PressableAccessible {
public:
    explicit PopUpAccessible(ScaledPopUp* p) : PressableAccessible(p, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return static_cast<ScaledPopUp*>(widget())->titleOfSelectedItem().value_or(QString());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction(), showMenuAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == showMenuAction()) control()->accessibilityPress();
    }
};

class SegmentedAccessible final : public PressableAccessible {
public:
    explicit SegmentedAccessible(ScaledSegmented* s) : PressableAccessible(s, QAccessible::Grouping) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            auto* s = static_cast<ScaledSegmented*>(widget());
            const int i = s->selectedSegment();
            return i >= 0 && i < s->labels().size() ? s->labels()[i] : QString();
        }
        return QAccessibleWidget::text(t);
    }
};

class ButtonAccessible final : public PressableAccessible {
public:
    explicit ButtonAccessible(ScaledActionButton* b) : PressableAccessible(b, QAccessible::Button) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<ScaledActionButton*>(widget())->label();
        return QAccessibleWidget::text(t);
    }
};

class StepperAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit StepperAccessible(ScaledStepper* s) : QAccessibleWidget(s, QAccessible::SpinBox) {}
    ScaledStepper* stepper() const { return static_cast<ScaledStepper*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return stepper()->accessibilityName;
        if (t == QAccessible::Value) return QString::number(stepper()->value());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    void doAction(const QString& name) override {
        if (name == increaseAction()) stepper()->nudge(+1);
        if (name == decreaseAction()) stepper()->nudge(-1);
    }
    QVariant currentValue() const override { return stepper()->value(); }
    void setCurrentValue(const QVariant& value) override { stepper()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return stepper()->range().upperBound; }
    QVariant minimumValue() const override { return stepper()->range().lowerBound; }
    QVariant minimumStepSize() const override { return stepper()->step(); }
};

class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(ScaleSliderView* s) : QAccessibleWidget(s, QAccessible::Slider) {}
    ScaleSliderView* slider() const { return static_cast<ScaleSliderView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QString::fromStdString(L10n::tr("prefFontSize"));
        if (t == QAccessible::Value) return QString::number(slider()->percent());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    void doAction(const QString& name) override {
        if (!slider()->isEnabled()) return;
        if (name == increaseAction()) slider()->nudge(+5);
        if (name == decreaseAction()) slider()->nudge(-5);
    }
    QVariant currentValue() const override { return slider()->percent(); }
    void setCurrentValue(const QVariant& value) override { slider()->setPercent(value.toInt()); }
    QVariant maximumValue() const override { return 150; }
    QVariant minimumValue() const override { return 80; }
    QVariant minimumStepSize() const override { return 5; }
};

QAccessibleInterface* scaledControlFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("ventiq::ScaledToggle")) return new ToggleAccessible(static_cast<ScaledToggle*>(object));
    if (className == QLatin1String("ventiq::ScaledPopUp")) return new PopUpAccessible(static_cast<ScaledPopUp*>(object));
    if (className == QLatin1String("ventiq::ScaledSegmented"))
        return new SegmentedAccessible(static_cast<ScaledSegmented*>(object));
    if (className == QLatin1String("ventiq::ScaledActionButton"))
        return new ButtonAccessible(static_cast<ScaledActionButton*>(object));
    if (className == QLatin1String("ventiq::ScaledStepper")) return new StepperAccessible(static_cast<ScaledStepper*>(object));
    if (className == QLatin1String("ventiq::ScaleSliderView"))
        return new SliderAccessible(static_cast<ScaleSliderView*>(object));
    return nullptr;
}

}  // namespace

void installScaledControlAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(scaledControlFactory); });
}

}  // namespace ventiq
