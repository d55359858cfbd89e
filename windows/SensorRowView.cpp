#include "windows/SensorRowView.h"

#include <QPainter>
#include <QStyle>

#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/SymbolIcons.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/SensorListStyle.h"

namespace ventiq {

namespace Style = SensorListStyle;

SensorRowView::SensorRowView(const SensorRow& row, bool zebra, bool fahrenheit, QWidget* parent)
    : QWidget(parent), rowID_(row.id), isAverage_(row.isAverage), zebra_(zebra) {
    setFixedHeight(Style::rowHeight);
    if (auto symbol = Style::symbol(row.icon)) {
        hasIcon_ = true;
        symbolName_ = symbol->name;
        symbolColor_ = symbol->color;
    }
    update(row, fahrenheit);
}

void SensorRowView::update(const SensorRow& row, bool fahrenheit) {
    const QString name = QString::fromStdString(row.name);
    const QString temp = Style::tempString(row.celsius, fahrenheit);
    const QColor color = Style::tint(row.celsius);
    if (name == shownName_ && temp == shownTemp_ && color == shownTempColor_) return;
    shownName_ = name;
    shownTemp_ = temp;
    shownTempColor_ = color;
    setToolTip(name + QStringLiteral(" · ") + temp);
    setAccessibleName(name + QLatin1Char(' ') + temp);
    QWidget::update();
}

void SensorRowView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (zebra_) p.fillRect(rect(), Style::zebra());

    const Qt::LayoutDirection dir = layoutDirection();
    const int h = height();
    const int side = Style::sidePad;
    const QRect iconRect(side, (h - Style::iconSize) / 2, Style::iconSize, Style::iconSize);
    if (hasIcon_) {
        const QImage icon = SymbolIcons::image(symbolName_.toStdString(), 13, symbolColor_, devicePixelRatioF());
        if (!icon.isNull()) {
            const QRect shown = QStyle::visualRect(dir, rect(), iconRect);
            const QSizeF size = icon.deviceIndependentSize().scaled(shown.size(), Qt::KeepAspectRatio);
            const QRectF target(shown.center().x() + 0.5 - size.width() / 2, shown.center().y() + 0.5 - size.height() / 2,
                                size.width(), size.height());
            p.drawImage(target, icon);
        }
    }

    const QFont tempFont = systemFont(12, isAverage_ ? QFont::DemiBold : QFont::Medium);
    const QRect tempRect(width() - side - Style::tempWidth, 0, Style::tempWidth, h);
    p.setFont(tempFont);
    p.setPen(shownTempColor_);
    p.drawText(QStyle::visualRect(dir, rect(), tempRect), Qt::AlignVCenter | Qt::AlignTrailing, shownTemp_);

    const QFont nameFont = systemFont(12, isAverage_ ? QFont::DemiBold : QFont::Normal);
    const int nameX = iconRect.right() + 1 + 8;
    const QRect nameRect(nameX, 0, std::max(0, tempRect.left() - 8 - nameX), h);
    p.setFont(nameFont);
    p.setPen(qcolor(Palette::text));
    const QString elided = QFontMetrics(nameFont).elidedText(shownName_, Qt::ElideRight, nameRect.width());
    p.drawText(QStyle::visualRect(dir, rect(), nameRect), Qt::AlignVCenter | Qt::AlignLeading, elided);
}

}  // namespace ventiq
