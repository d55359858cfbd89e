#include "menubar/PanelSwitchRowView.h"

#include <QAccessible>

#include <algorithm>

#include "menubar/PanelLayout.h"
#include "menubar/PanelSwitchView.h"
#include "viewkit/Fonts.h"
#include "viewkit/PanelStyle.h"

namespace ventiq {

using PanelStyle::z;

PanelSwitchRowView::PanelSwitchRowView(const QString& title, std::function<void()> onToggle, QWidget* parent)
    : PanelHoverRow(parent),
      onToggle_(std::move(onToggle)),
      titleLabel_(new ElidingLabel(this)),
      switchView_(new PanelSwitchView(this)) {
    titleLabel_->setFont(systemFont(z(14)));
    setTextColor(titleLabel_, PanelStyle::text);
    titleLabel_->setFullText(title);
    setAccessibleName(title);
    setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::rowHeight()));
}

void PanelSwitchRowView::setOn(bool on) {
    const bool changed = on_ != on;
    on_ = on;
    switchView_->setOn(on);
    if (changed && QAccessible::isActive()) {
        QAccessible::State state;
        state.checked = true;
        QAccessibleStateChangeEvent event(this, state);
        QAccessible::updateAccessibility(&event);
    }
}

void PanelSwitchRowView::activate() {
    if (onToggle_) onToggle_();
}

QString PanelSwitchRowView::title() const { return titleLabel_->fullText(); }

void PanelSwitchRowView::layoutContent() {
    const double h = height(), pad = z(8);
    const QSizeF sw = switchView_->size();
    placeFromLeading(switchView_, {width() - pad - sw.width(), (h - sw.height()) / 2, sw.width(), sw.height()});
    const double lineH = titleLabel_->sizeHint().height();
    const double titleW = std::max(0.0, width() - pad - sw.width() - z(12) - pad);
    placeFromLeading(titleLabel_, {pad, (h - lineH) / 2, titleW, lineH});
}

}  // namespace ventiq
