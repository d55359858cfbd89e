#include "menubar/MenuActionView.h"

#include <algorithm>

#include "menubar/PanelLayout.h"
#include "viewkit/Fonts.h"
#include "viewkit/PanelStyle.h"

namespace ventiq {

using PanelStyle::z;

MenuActionView::MenuActionView(const QString& title, std::function<void()> onAction, QWidget* parent)
    : PanelHoverRow(parent), onAction_(std::move(onAction)), titleLabel_(new ElidingLabel(this)) {
    titleLabel_->setFont(systemFont(z(14)));
    setTextColor(titleLabel_, PanelStyle::text);
    titleLabel_->setFullText(title);
    setAccessibleName(title);
    setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::rowHeight()));
}

void MenuActionView::activate() {
    if (onAction_) onAction_();
}

QString MenuActionView::title() const { return titleLabel_->fullText(); }

void MenuActionView::layoutContent() {
    const double x = z(8) + z(20);
    const double lineH = titleLabel_->sizeHint().height();
    placeFromLeading(titleLabel_, {x, (height() - lineH) / 2, std::max(0.0, width() - x - z(8)), lineH});
}

}  // namespace ventiq
