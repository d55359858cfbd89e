#include "windows/SensorSectionHeaderView.h"

#include <QPainter>
#include <QStyle>

#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/SensorListStyle.h"

namespace ventiq {

SensorSectionHeaderView::SensorSectionHeaderView(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setFixedHeight(SensorListStyle::sectionHeaderHeight);
    setAccessibleName(text);
}

void SensorSectionHeaderView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFont font = systemFont(11, QFont::DemiBold);
    p.setFont(font);
    p.setPen(qcolor(Palette::secondary));
    const QFontMetrics fm(font);
    // The label's bottom sits 5 above the band's bottom.
    const int side = SensorListStyle::sidePad;
    const QRect logical(side, height() - 5 - fm.height(), width() - 2 * side, fm.height());
    const QRect shown = QStyle::visualRect(layoutDirection(), rect(), logical);
    p.drawText(shown, Qt::AlignVCenter | Qt::AlignLeading, fm.elidedText(text_, Qt::ElideRight, shown.width()));
}

}  // namespace ventiq
