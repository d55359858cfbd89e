#include "windows/controls/FontSampleView.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "settings/L10n.h"
#include "settings/SettingsStyle.h"
#include "settings/UIScale.h"
#include "viewkit/Fonts.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"
#include "windows/controls/ControlPaint.h"

namespace ventiq {

FontSampleView::FontSampleView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

void FontSampleView::setPercent(int percent) {
    if (percent == percent_) return;
    percent_ = percent;
    update();
}

int FontSampleView::shownPercent() const { return UIScale::effectivePercent(percent_, UIScale::panelCapPercent()); }

QSize FontSampleView::sizeHint() const {
    return {static_cast<int>(std::ceil(wz(340))), static_cast<int>(std::ceil(wz(48)))};
}

void FontSampleView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath body = ControlPaint::rounded(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), wz(10));
    p.fillPath(body, qcolor(PanelStyle::background));
    p.strokePath(body, QPen(qcolor(PanelStyle::border), 1));

    const double size = 14.0 * shownPercent() / 100.0;
    const QRectF inner = QRectF(rect()).adjusted(wz(16), 0, -wz(16), 0);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    p.setPen(qcolor(PanelStyle::text));
    p.setFont(systemFont(size, QFont::Normal));
    p.drawText(inner, Qt::AlignAbsolute | Qt::AlignVCenter | (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::TextSingleLine,
               QString::fromStdString(L10n::tr("leftFan")));
    p.setFont(systemFont(size, QFont::DemiBold, true));
    p.drawText(inner, Qt::AlignAbsolute | Qt::AlignVCenter | (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::TextSingleLine,
               QStringLiteral("3200 rpm"));
}

}  // namespace ventiq
