#include "menubar/PresetRowView.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>

#include <algorithm>

#include "menubar/PanelLayout.h"
#include "viewkit/Fonts.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"
#include "viewkit/SymbolIcons.h"

namespace ventiq {

using PanelStyle::z;

PresetRowView::PresetRowView(const QString& title, bool showsChevron, std::function<void()> onClick, QWidget* parent)
    : PanelHoverRow(parent),
      onClick_(std::move(onClick)),
      checkLabel_(new QLabel(this)),
      titleLabel_(new ElidingLabel(this)),
      subLabel_(new ElidingLabel(this)) {
    checkLabel_->setFont(systemFont(z(14), QFont::Bold));
    checkLabel_->setAlignment(Qt::AlignCenter);
    setTextColor(checkLabel_, PanelStyle::text);
    titleLabel_->setFont(systemFont(z(14)));
    setTextColor(titleLabel_, PanelStyle::text);
    titleLabel_->setFullText(title);
    subLabel_->setFont(systemFont(z(12)));
    setTextColor(subLabel_, PanelStyle::secondary);
    if (showsChevron) {
        chevron_ = new QLabel(this);
        loadChevron();
    }
    setAccessibleName(title);
    setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::rowHeight()));
}

void PresetRowView::loadChevron() {
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const double dpr = devicePixelRatioF();
    const QImage image = SymbolIcons::image(rtl ? "chevron.left" : "chevron.right", z(12),
                                            qcolor(PanelStyle::secondary), dpr);
    chevron_->setPixmap(QPixmap::fromImage(image));
}

void PresetRowView::setChecked(bool checked) {
    checked_ = checked;
    checkLabel_->setText(checked ? QString::fromUtf8("\u2713") : QString());
}

void PresetRowView::setSubtitle(const QString& subtitle) {
    subLabel_->setFullText(subtitle);
    layoutContent();
}

QString PresetRowView::subtitle() const { return subLabel_->fullText(); }

void PresetRowView::activate() {
    if (onClick_) onClick_();
}

QString PresetRowView::title() const { return titleLabel_->fullText(); }

void PresetRowView::layoutContent() {
    const double h = height();
    const double pad = z(8), check = z(20);
    checkLabel_->setFixedSize(static_cast<int>(check), static_cast<int>(h));
    placeFromLeading(checkLabel_, {pad, 0, check, h});
    double end = width() - pad;
    if (chevron_) {
        const double side = z(12);
        placeFromLeading(chevron_, {width() - pad - side, (h - side) / 2, side, side});
        end -= side + pad;
    }
    // The title keeps its width before the subtitle gives way.
    const double titleX = pad + check;
    const double titleW = std::min<double>(titleLabel_->sizeHint().width(), std::max(0.0, end - titleX));
    const double lineH = titleLabel_->sizeHint().height();
    placeFromLeading(titleLabel_, {titleX, (h - lineH) / 2, titleW, lineH});
    const double subX = titleX + titleW + pad;
    const double subW = std::max(0.0, std::min<double>(subLabel_->sizeHint().width(), end - subX));
    const double subH = subLabel_->sizeHint().height();
    placeFromLeading(subLabel_, {subX, (h - subH) / 2, subW, subH});
}

void PresetRowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange && chevron_) loadChevron();
    PanelHoverRow::changeEvent(event);
}

}  // namespace ventiq
