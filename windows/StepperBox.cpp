#include "windows/StepperBox.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/WindowStyle.h"

namespace ventiq {

namespace {

QToolButton* makeStepButton(const QString& glyph, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(glyph);
    button->setFont(systemFont(13, QFont::Bold));
    button->setAutoRaise(true);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(StepperBox::repeatDelayMs);
    button->setAutoRepeatInterval(StepperBox::repeatIntervalMs);
    button->setFocusPolicy(Qt::NoFocus);
    const QColor c = qcolor(Palette::secondary);
    button->setStyleSheet(QStringLiteral("QToolButton{border:none;background:transparent;color:rgb(%1,%2,%3);padding:0;}"
                                         "QToolButton:pressed{color:rgb(242,242,247);}"
                                         "QToolButton:disabled{color:rgba(%1,%2,%3,0.45);}")
                              .arg(c.red())
                              .arg(c.green())
                              .arg(c.blue()));
    return button;
}

}  // namespace

StepperBox::StepperBox(const QString& initialText, int valWidth, QWidget* parent) : QWidget(parent) {
    setFixedSize(2 * buttonWidth + valWidth, height);
    decBtn_ = makeStepButton(QStringLiteral("\u2212"), this);
    incBtn_ = makeStepButton(QStringLiteral("+"), this);
    valLabel_ = makeLabel(initialText, 12, QFont::DemiBold, Palette::text, true);
    valLabel_->setParent(this);
    valLabel_->setAlignment(Qt::AlignCenter);
    QObject::connect(decBtn_, &QToolButton::clicked, this, [this] {
        if (onDec) onDec();
    });
    QObject::connect(incBtn_, &QToolButton::clicked, this, [this] {
        if (onInc) onInc();
    });
}

void StepperBox::setText(const QString& text) {
    if (valLabel_->text() != text) valLabel_->setText(text);
}

QString StepperBox::text() const { return valLabel_->text(); }

void StepperBox::setEnabled(bool on) {
    enabled_ = on;
    decBtn_->setEnabled(on);
    incBtn_->setEnabled(on);
    setLabelColor(valLabel_, on ? qcolor(Palette::text) : qcolor(Palette::secondary));
}

void StepperBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(qcolor(Palette::border), 1));
    p.setBrush(QColor(255, 255, 255, qRound(0.14 * 255)));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

void StepperBox::resizeEvent(QResizeEvent*) {
    const Qt::LayoutDirection dir = layoutDirection();
    const int w = width();
    decBtn_->setGeometry(QStyle::visualRect(dir, rect(), QRect(0, 0, buttonWidth, height)));
    incBtn_->setGeometry(QStyle::visualRect(dir, rect(), QRect(w - buttonWidth, 0, buttonWidth, height)));
    valLabel_->setGeometry(buttonWidth, 0, w - 2 * buttonWidth, height);
}

}  // namespace ventiq
