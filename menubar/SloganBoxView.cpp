#include "menubar/SloganBoxView.h"

#include <QLabel>

#include "menubar/PanelLayout.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/PanelStyle.h"

namespace ventiq {

using PanelStyle::z;

SloganBoxView::SloganBoxView(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {
    label_->setFont(italicSystemFont(z(12)));
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    label_->setTextFormat(Qt::RichText);
    setTextColor(label_, PanelStyle::slogan);
    setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::sloganHeight()));
    refreshText();
}

void SloganBoxView::refreshText() {
    // Rich text is the way to a fixed line height; the slogan's own text is
    // escaped first.
    QString html = QString::fromStdString(L10n::tr("slogan")).toHtmlEscaped();
    html.replace('\n', "<br>");
    label_->setText(QStringLiteral("<div style=\"line-height:%1px\">%2</div>").arg(z(16)).arg(html));
}

void SloganBoxView::resizeEvent(QResizeEvent*) {
    const double side = z(8);
    label_->setGeometry(QRectF(side, 0, std::max(0.0, width() - 2 * side), height()).toRect());
}

}  // namespace ventiq
