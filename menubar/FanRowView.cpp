#include "menubar/FanRowView.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <cmath>

#include "engine/FanInfo.h"
#include "menubar/FanSliderView.h"
#include "menubar/PanelLayout.h"
#include "platform/MainLoop.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"

namespace ventiq {

using PanelStyle::z;

namespace {
QString l10n(const char* key) { return QString::fromStdString(L10n::tr(key)); }
const QString emDash = QString::fromUtf8("\u2014");
}  // namespace

FanRowView::FanRowView(bool isLeft, MainLoop& loop, QWidget* parent)
    : QWidget(parent),
      isLeft_(isLeft),
      clock_(loop.clock()),
      titleLabel_(new ElidingLabel(this)),
      badgeLabel_(new QLabel(this)),
      rpmLabel_(new QLabel(this)),
      slider_(new FanSliderView(loop, this)) {
    titleLabel_->setFont(systemFont(z(14)));
    setTextColor(titleLabel_, PanelStyle::text);
    titleLabel_->setFullText(l10n(isLeft ? "leftFan" : "rightFan"));

    badgeLabel_->setFont(systemFont(z(10), QFont::Medium));
    badgeLabel_->setAlignment(Qt::AlignCenter);
    badgeLabel_->setFixedSize(QSizeF(z(34), z(16)).toSize());
    badgeLabel_->setAutoFillBackground(false);
    badgeLabel_->setStyleSheet(QStringLiteral("background-color: %1; border-radius: %2px; color: %3;")
                                   .arg(qcolor(Palette::segmentBg).name())
                                   .arg(z(4))
                                   .arg(qcolor(PanelStyle::secondary).name()));

    rpmLabel_->setFont(systemFont(z(14), QFont::DemiBold, true));
    rpmLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    showRPM(emDash, false);

    slider_->setToolTip(l10n("fanSliderTip"));
    slider_->onChanging = [this](double v) { showRPM(QString::number(std::lround(v)) + " rpm", true); };
    slider_->onCommit = [this](double v) {
        heldValue_ = v;
        heldAt_ = clock_.now();
        if (onSliderCommit) onSliderCommit(static_cast<int>(std::lround(v)));
    };
    setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::fanRowHeight()));
}

void FanRowView::showRPM(const QString& text, bool accent) {
    rpmLabel_->setText(text);
    setTextColor(rpmLabel_, accent ? Palette::accentText : PanelStyle::text);
    layoutContent();
}

void FanRowView::update(const FanInfo* fan, std::optional<int> targetRPM) {
    if (!fan) {
        badgeLabel_->hide();
        rpmLabel_->setText(emDash);
        setTextColor(rpmLabel_, PanelStyle::secondary);
        slider_->setSliderEnabled(false);
        layoutContent();
        return;
    }
    slider_->setSliderEnabled(true);
    slider_->setMinValue(fan->minRPM);
    slider_->setMaxValue(fan->maxRPM);
    if (slider_->isTracking()) return;

    const bool forced = fan->forced.value_or(false);
    badgeLabel_->setText(l10n(forced ? "fixed" : "autoShort"));
    badgeLabel_->show();

    const double span = fan->maxRPM - fan->minRPM < 2 ? 1.0 : double(fan->maxRPM - fan->minRPM);
    const bool nearMax = fan->actualReady && (fan->actual - fan->minRPM) / span >= 0.9;
    rpmLabel_->setText(fan->actualReady ? QString::number(fan->actual) + " rpm" : emDash);
    setTextColor(rpmLabel_, nearMax ? Palette::accentText : PanelStyle::text);

    if (heldValue_) {
        const bool confirmed = forced && std::abs(fan->target - *heldValue_) <= holdTolerance;
        const bool expired = clock_.now() - heldAt_ > seconds(holdSeconds);
        if (confirmed || expired) heldValue_.reset();
    }
    double shown;
    if (heldValue_)
        shown = *heldValue_;
    else if (targetRPM)
        shown = *targetRPM;
    else if (forced)
        shown = fan->target;
    else if (fan->actualReady)
        shown = fan->actual;
    else
        shown = std::max(fan->target, fan->minRPM);
    slider_->setValue(shown);
    layoutContent();
}

void FanRowView::resizeEvent(QResizeEvent*) { layoutContent(); }

void FanRowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange) layoutContent();
    QWidget::changeEvent(event);
}

void FanRowView::layoutContent() {
    const double pad = z(8), w = width(), cy = z(20);
    const double titleH = titleLabel_->sizeHint().height();
    const double rpmW = rpmLabel_->sizeHint().width(), rpmH = rpmLabel_->sizeHint().height();
    const QSizeF badge = badgeLabel_->size();
    // The speed never gives way; the title does.
    const double badgeRoom = badgeLabel_->isHidden() ? 0 : badge.width() + pad;
    const double titleRoom = w - pad - badgeRoom - pad - rpmW - pad;
    const double titleW = std::clamp<double>(titleLabel_->sizeHint().width(), 0, std::max(0.0, titleRoom));
    placeFromLeading(titleLabel_, {pad, cy - titleH / 2, titleW, titleH});
    placeFromLeading(badgeLabel_, {pad + titleW + pad, cy - badge.height() / 2, badge.width(), badge.height()});
    placeFromLeading(rpmLabel_, {w - pad - rpmW, cy - rpmH / 2, rpmW, rpmH});
    const double d = FanSliderView::thumbDiameter(), sliderH = z(20);
    placeFromLeading(slider_, {pad - d / 2, z(50) - sliderH / 2, w - 2 * (pad - d / 2), sliderH});
}

}  // namespace ventiq
