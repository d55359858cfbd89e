#include "menubar/TempStripView.h"

#include <QHBoxLayout>

#include "menubar/PanelLayout.h"
#include "settings/L10n.h"
#include "settings/TempFormat.h"
#include "viewkit/Fonts.h"
#include "viewkit/PanelStyle.h"

namespace ventiq {

using PanelStyle::z;

TempTileView::TempTileView(const QString& caption, const QString& tooltip, QWidget* parent)
    : QWidget(parent), captionLabel_(new ElidingLabel(this)), valueLabel_(new ElidingLabel(this)) {
    valueLabel_->setFont(systemFont(z(16), QFont::DemiBold, true));
    valueLabel_->setAlignment(Qt::AlignCenter);
    captionLabel_->setFont(systemFont(z(11)));
    captionLabel_->setAlignment(Qt::AlignCenter);
    setTextColor(captionLabel_, PanelStyle::secondary);
    captionLabel_->setFullText(caption);
    setToolTip(tooltip);
    update(std::nullopt, false);
}

void TempTileView::update(std::optional<double> celsius, bool fahrenheit) {
    if (celsius) {
        valueLabel_->setFullText(QString::fromStdString(TempFormat::string(*celsius, fahrenheit)));
        setTextColor(valueLabel_, PanelStyle::text);
    } else {
        valueLabel_->setFullText(QString::fromUtf8("\u2014"));
        setTextColor(valueLabel_, PanelStyle::secondary);
    }
}

void TempTileView::resizeEvent(QResizeEvent*) {
    // Value over caption, 3 apart, centred, at least 2 from the sides.
    const double side = 2, gap = z(3);
    const double vh = valueLabel_->sizeHint().height(), ch = captionLabel_->sizeHint().height();
    const double top = (height() - vh - gap - ch) / 2;
    const double w = std::max(0.0, width() - 2 * side);
    valueLabel_->setGeometry(QRectF(side, top, w, vh).toRect());
    captionLabel_->setGeometry(QRectF(side, top + vh + gap, w, ch).toRect());
}

TempStripView::TempStripView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    const int inset = qRound(z(8));
    layout->setContentsMargins(inset, 0, inset, 0);
    layout->setSpacing(0);
    const char* keys[][2] = {{"tempCpuMaxShort", "tempCpuMax"},
                             {"tempCpuAvgShort", "tempCpuAvg"},
                             {"tempSSDShort", "tempSSD"},
                             {"tempBatteryShort", "tempBattery"}};
    for (const auto& k : keys) {
        auto* tile = new TempTileView(QString::fromStdString(L10n::tr(k[0])), QString::fromStdString(L10n::tr(k[1])));
        layout->addWidget(tile, 1);
        tiles_.push_back(tile);
    }
    setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::tempStripHeight()));
}

void TempStripView::update(const std::vector<std::optional<double>>& values, bool fahrenheit) {
    for (std::size_t i = 0; i < tiles_.size(); ++i)
        tiles_[i]->update(i < values.size() ? values[i] : std::nullopt, fahrenheit);
}

}  // namespace ventiq
