#include "windows/PrefTabButton.h"

#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "settings/SettingsStyle.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/SymbolIcons.h"
#include "windows/controls/WFont.h"

namespace ventiq {

PrefTabButton::PrefTabButton(std::string symbol, const QString& title, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), title_(title) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(title);
    installPrefTabAccessibility();
}

double PrefTabButton::buttonWidth() { return wz(80); }
double PrefTabButton::buttonHeight() { return wz(52); }

void PrefTabButton::setSelected(bool selected) {
    selected_ = selected;
    setAccessibleName(title_);
    update();
}

QSize PrefTabButton::sizeHint() const {
    const double titleWidth = std::ceil(QFontMetricsF(wfont(12)).horizontalAdvance(title_));
    const double w = std::max({buttonWidth(), titleWidth + wz(12), titleWidth + 4});
    return {static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(buttonHeight()))};
}

void PrefTabButton::focusInEvent(QFocusEvent* e) {
    // Only focus the keyboard gave shows a ring, not the focus a window hands
    // its first control when it opens.
    if (e->reason() != Qt::ActiveWindowFocusReason)
        keyboardFocus_ = e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason;
    QWidget::focusInEvent(e);
    update();
}

void PrefTabButton::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

void PrefTabButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    // Accepted here, so the press never reaches the window's background drag.
    e->accept();
    if (onClick) onClick();
}

void PrefTabButton::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (onClick) onClick();
        return;
    }
    QWidget::keyPressEvent(e);
}

void PrefTabButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tint = qcolor(selected_ ? Palette::accentText : Palette::secondary);
    if (selected_) {
        QPainterPath chip;
        chip.addRoundedRect(QRectF(rect()), wz(8), wz(8));
        p.fillPath(chip, qcolor(Palette::segmentBg));
    }
    if (hasFocus() && keyboardFocus_) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), wz(8), wz(8));
        QColor c = qcolor(Palette::accentText);
        c.setAlphaF(0.85f);
        p.strokePath(ring, QPen(c, 2));
    }
    const double icon = wz(20);
    const double dpr = devicePixelRatioF();
    const QImage image = SymbolIcons::image(symbol_, wz(17), tint, dpr);
    if (!image.isNull()) {
        const QRectF box((width() - icon) / 2, wz(7), icon, icon);
        const QSizeF drawn = QSizeF(image.size()) / dpr;
        p.drawImage(QRectF(box.center().x() - drawn.width() / 2, box.center().y() - drawn.height() / 2, drawn.width(),
                           drawn.height()),
                    image);
    }
    const QFont font = wfont(12);
    p.setFont(font);
    p.setPen(tint);
    const QRectF titleBox(2, wz(31), width() - 4, QFontMetricsF(font).height());
    p.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, title_);
}

namespace {

class PrefTabAccessible final : public QAccessibleWidget {
public:
    explicit PrefTabAccessible(PrefTabButton* b) : QAccessibleWidget(b, QAccessible::RadioButton) {}
    PrefTabButton* button() const { return static_cast<PrefTabButton*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return button()->title();
        if (t == QAccessible::Value) return button()->isSelected() ? QStringLiteral("1") : QStringLiteral("0");
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isSelected();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && button()->onClick) button()->onClick();
    }
};

QAccessibleInterface* prefTabFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ventiq::PrefTabButton") && object && object->isWidgetType())
        return new PrefTabAccessible(static_cast<PrefTabButton*>(object));
    return nullptr;
}

}  // namespace

void installPrefTabAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(prefTabFactory); });
}

}  // namespace ventiq
