#include "windows/WindowStyle.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/QtColor.h"

namespace ventiq {

namespace {
QString rgba(const QColor& c) {
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}
}  // namespace

void paintCard(QWidget* widget, qreal radius) {
    QPainter p(widget);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(qcolor(Palette::line), 1));
    p.setBrush(qcolor(Palette::cardBg));
    p.drawRoundedRect(r, radius, radius);
}

void styleOverlayScroll(QScrollArea* scroll) {
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setObjectName(QStringLiteral("scrollViewport"));
    scroll->setStyleSheet(QStringLiteral(
        "QScrollArea{background:transparent;border:none;}"
        "QWidget#scrollViewport{background:transparent;}"
        "QScrollBar:vertical{background:transparent;width:8px;margin:2px 1px 2px 0;}"
        "QScrollBar::handle:vertical{background:rgba(255,255,255,0.22);border-radius:3px;min-height:24px;}"
        "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0;}"
        "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:transparent;}"));
}

void styleFlatButton(QAbstractButton* button, const QColor& background, qreal radius, const QColor& textColor) {
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QAbstractButton{background:%1;border:none;border-radius:%2px;color:%3;padding:0 8px;}"
                       "QAbstractButton:disabled{color:%4;}")
            .arg(rgba(background))
            .arg(radius)
            .arg(rgba(textColor))
            .arg(rgba(qcolor(Palette::secondary))));
}

void setLabelColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    if (p.color(QPalette::WindowText) == color) return;
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

void styleCheckBox(QCheckBox* check) {
    check->setStyleSheet(
        QStringLiteral("QCheckBox{color:%1;spacing:6px;}"
                       "QCheckBox::indicator{width:14px;height:14px;border-radius:4px;border:1px solid %2;background:%3;}"
                       "QCheckBox::indicator:checked{background:%4;border-color:%4;image:none;}")
            .arg(rgba(qcolor(Palette::text)), rgba(qcolor(Palette::border)), rgba(qcolor(Palette::segmentBg)),
                 rgba(qcolor(Palette::accent))));
}

void styleComboBox(QComboBox* combo) {
    combo->setStyleSheet(
        QStringLiteral("QComboBox{background:%1;color:%2;border:1px solid %3;border-radius:6px;padding:0 8px;}"
                       "QComboBox::drop-down{border:none;width:18px;}"
                       "QComboBox QAbstractItemView{background:%1;color:%2;selection-background-color:%4;"
                       "border:1px solid %3;}")
            .arg(rgba(qcolor(Palette::segmentBg)), rgba(qcolor(Palette::text)), rgba(qcolor(Palette::border)),
                 rgba(qcolor(Palette::accent))));
}

}  // namespace ventiq
