#include "windows/SustainedHeatCardView.h"

#include <QCheckBox>
#include <QLabel>
#include <QStyle>
#include <algorithm>

#include "engine/FanController.h"
#include "settings/L10n.h"
#include "settings/TempFormat.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/StepperBox.h"
#include "windows/WindowStyle.h"

namespace ventiq {

namespace {

QString l10n(const char* key, const std::map<std::string, std::string>& values = {}) {
    return QString::fromStdString(values.empty() ? L10n::tr(key) : L10n::tr(key, values));
}

constexpr int side = 16;
constexpr int topLineTop = 14;

QLabel* makeWrapping(const QString& text, double size, QFont::Weight weight, Rgba color, QWidget* parent) {
    QLabel* label = makeLabel(text, size, weight, color);
    label->setParent(parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

SustainedHeatCardView::SustainedHeatCardView(FanController& ctrl, QWidget* parent) : QWidget(parent), ctrl_(ctrl) {
    titleLabel_ = makeLabel(l10n("ladderStep4"), 13, QFont::DemiBold);
    titleLabel_->setParent(this);
    enableCheck_ = new QCheckBox(l10n("ladderEnable"), this);
    enableCheck_->setFont(systemFont(13, QFont::Normal));
    styleCheckBox(enableCheck_);
    QObject::connect(enableCheck_, &QCheckBox::clicked, this, [this](bool on) { toggleEnabled(on); });
    holdForLabel_ = makeLabel(l10n("ladderHoldFor"), 12, QFont::Normal, Palette::secondary);
    holdForLabel_->setParent(this);
    minutesStepper_ = new StepperBox(QString(), 54, this);
    minutesStepper_->onDec = [this] { adjustMinutes(-1); };
    minutesStepper_->onInc = [this] { adjustMinutes(+1); };

    noteLabel_ = makeWrapping(l10n("ladderSustainedNote"), 11, QFont::Normal, Palette::secondary, this);
    statusTitleLabel_ = makeLabel(l10n("ladderStatusLabel"), 11, QFont::DemiBold, Palette::secondary);
    statusTitleLabel_->setParent(this);
    statusValueLabel_ = makeWrapping(QString(), 11, QFont::Normal, Palette::text, this);
    ruleNoteLabel_ = makeWrapping(l10n("ladderNote"), 10.5, QFont::Normal, Rgba{255, 255, 255, 0.6}, this);
    updateUI();
}

QString SustainedHeatCardView::statusText() const { return statusValueLabel_->text(); }

void SustainedHeatCardView::updateUI() {
    enableCheck_->setChecked(ctrl_.sustainedMaxOn());
    minutesStepper_->setEnabled(ctrl_.ladder3().enabled && ctrl_.sustainedMaxOn());
    minutesStepper_->setText(l10n("minutesFmt", {{"n", std::to_string(ctrl_.sustainedMinutes())}}));

    QString status;
    if (ctrl_.preset() == FanPreset::mySettings) {
        const bool fahrenheit = ctrl_.prefs().useFahrenheit();
        const std::optional<double> peak = ctrl_.temps().cpuMax;
        if (ctrl_.sustainedMaxHold() && peak) {
            status = l10n("ladderStatusMax", {{"t", TempFormat::string(*peak, fahrenheit)}});
        } else if (ctrl_.protectionActive() && peak) {
            const double off = FanController::protectionOnTemp - FanController::protectionHysteresis;
            status = l10n("ladderStatusProtect",
                        {{"t", TempFormat::string(*peak, fahrenheit)}, {"o", TempFormat::string(off, fahrenheit)}});
        } else if (!peak) {
            status = l10n("ladderStatusNoTemp");
        } else {
            status = l10n("ladderStatusFmt",
                        {{"t", TempFormat::string(*peak, fahrenheit)}, {"n", std::to_string(ctrl_.ladderTier())}});
        }
    } else {
        status = l10n("ladderStatusInactive");
    }
    if (statusValueLabel_->text() != status) {
        statusValueLabel_->setText(status);
        if (width() > 0) layoutFor(width(), true);
    }
}

void SustainedHeatCardView::toggleEnabled(bool on) {
    if (on) {
        LadderTier t3 = ctrl_.ladder3();
        t3.enabled = true;
        ctrl_.setLadder3(t3);
    }
    ctrl_.setSustainedMaxOn(on);
    updateUI();
}

void SustainedHeatCardView::adjustMinutes(int delta) {
    ctrl_.setSustainedMinutes(TempLadder::sustainedMinutesRange.clamp(ctrl_.sustainedMinutes() + delta));
    updateUI();
}

int SustainedHeatCardView::heightForWidth(int width) const {
    return const_cast<SustainedHeatCardView*>(this)->layoutFor(width, false);
}

int SustainedHeatCardView::layoutFor(int w, bool apply) {
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect area(0, 0, w, height());
    auto place = [&](QWidget* view, QRect logical) {
        if (apply) view->setGeometry(QStyle::visualRect(dir, area, logical));
    };
    const int lineH = StepperBox::height;
    auto centred = [&](QWidget* view, int x, int width) {
        const int h = view->sizeHint().height();
        place(view, QRect(x, topLineTop + (lineH - h) / 2, width, h));
        return x + width;
    };
    int x = centred(titleLabel_, side, titleLabel_->sizeHint().width());
    x = centred(enableCheck_, x + 14, enableCheck_->sizeHint().width());
    x = centred(holdForLabel_, x + 12, holdForLabel_->sizeHint().width());
    place(minutesStepper_, QRect(x + 8, topLineTop, minutesStepper_->width(), lineH));

    const int textW = std::max(0, w - 2 * side);
    int y = topLineTop + lineH + 8;
    const int noteH = noteLabel_->heightForWidth(textW);
    place(noteLabel_, QRect(side, y, textW, noteH));
    y += noteH + 10;
    const QSize statusTitle = statusTitleLabel_->sizeHint();
    const int valueX = side + statusTitle.width() + 8;
    const int valueW = std::max(0, w - side - valueX);
    const int valueH = std::max(statusTitle.height(), statusValueLabel_->heightForWidth(valueW));
    place(statusTitleLabel_, QRect(side, y, statusTitle.width(), statusTitle.height()));
    place(statusValueLabel_, QRect(valueX, y, valueW, valueH));
    y += valueH + 8;
    const int ruleH = ruleNoteLabel_->heightForWidth(textW);
    place(ruleNoteLabel_, QRect(side, y, textW, ruleH));
    return y + ruleH + 14;
}

void SustainedHeatCardView::paintEvent(QPaintEvent*) { paintCard(this, 12); }

void SustainedHeatCardView::resizeEvent(QResizeEvent*) { layoutFor(width(), true); }

}  // namespace ventiq
