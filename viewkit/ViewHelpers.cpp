#include "viewkit/ViewHelpers.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "settings/AppLanguage.h"
#include "viewkit/Fonts.h"
#include "viewkit/QtColor.h"

namespace ventiq {
namespace {

void setTextColor(QWidget* w, const Rgba& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, qcolor(color));
    p.setColor(QPalette::Text, qcolor(color));
    p.setColor(QPalette::ButtonText, qcolor(color));
    w->setPalette(p);
}

class Hairline final : public QWidget {
public:
    Hairline() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), qcolor(Palette::line)); }
};

class ActionButton final : public QPushButton {
public:
    ActionButton(const QString& title, bool primary) : QPushButton(title), primary_(primary) {
        setFont(systemFont(13, primary ? QFont::DemiBold : QFont::Normal));
        setFlat(true);
        setCursor(Qt::PointingHandCursor);
        const double titleWidth = QFontMetricsF(font()).horizontalAdvance(title);
        setFixedHeight(28);
        setMinimumWidth(static_cast<int>(std::max(std::ceil(titleWidth) + 32, 64.0)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(box, 6, 6);
        QColor fill = qcolor(primary_ ? Palette::accent : Palette::segmentBg);
        if (isDown()) fill = fill.darker(115);
        p.fillPath(path, fill);
        if (!primary_) p.strokePath(path, QPen(qcolor(Palette::border), 1));
        p.setFont(font());
        QColor textColor = primary_ ? QColor(Qt::white) : qcolor(Palette::text);
        if (!isEnabled()) textColor.setAlphaF(0.4f);
        p.setPen(textColor);
        p.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) p.strokePath(path, QPen(qcolor(Palette::accentText), 1.5));
    }

private:
    bool primary_;
};

}  // namespace

QLabel* makeLabel(const QString& text, double size, QFont::Weight weight, Rgba color, bool mono) {
    auto* label = new QLabel(text);
    label->setFont(systemFont(size, weight, mono));
    label->setWordWrap(false);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    setTextColor(label, color);
    return label;
}

QLabel* makeNoteLabel(const QString& text, double width, double size) {
    auto* label = new QLabel(text);
    label->setFont(systemFont(size));
    label->setWordWrap(true);
    label->setMaximumWidth(static_cast<int>(std::ceil(width)));
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    setTextColor(label, Palette::secondary);
    return label;
}

QPushButton* makeActionButton(const QString& title, bool primary, std::function<void()> action) {
    auto* button = new ActionButton(title, primary);
    if (action) QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] { action(); });
    return button;
}

QWidget* makeHairline() { return new Hairline(); }

FieldBox::FieldBox(const QString& text, double width, QWidget* parent) : QWidget(parent), field_(new QLineEdit(text)) {
    setFixedSize(static_cast<int>(std::ceil(width)), 28);
    field_->setFrame(false);
    field_->setFont(systemFont(13, QFont::Normal, true));
    field_->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette p = field_->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, qcolor(Palette::text));
    field_->setPalette(p);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->addWidget(field_, 0, Qt::AlignVCenter);
}

void FieldBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.fillPath(path, qcolor(Palette::windowBg));
    p.strokePath(path, QPen(qcolor(Palette::border), 1));
}

void applyLayoutDirection(QWidget* view, Qt::LayoutDirection direction) {
    if (!view) return;
    view->setLayoutDirection(direction);
    for (QObject* child : view->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow()) applyLayoutDirection(w, direction);
}

void applyLayoutDirection(QWidget* view) {
    applyLayoutDirection(view, AppLanguage::isRTL() ? Qt::RightToLeft : Qt::LeftToRight);
}

}  // namespace ventiq
