#include "windows/MainFanCardView.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <algorithm>

#include "engine/FanController.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/StepperBox.h"
#include "windows/WindowStyle.h"

namespace ventiq {

namespace {

QString l10n(const char* key) { return QString::fromStdString(L10n::tr(key)); }

// Speeds a step may take when the engine has no such fan.
constexpr int fallbackMinRPM = 1350;
constexpr int fallbackMaxRPM = 5500;

constexpr int side = 16;
constexpr int rowHeight = 28;
constexpr int normalRowTop = 104;
constexpr int rowGap = 8;

// The filled part runs from the minimum to the knob. A right-to-left slider
// has its minimum on the right, where the style sheet's "add page" is.
QString sliderStyle(bool rtl) {
    const QColor a = qcolor(Palette::accent);
    const QString filled = QStringLiteral("background:rgb(%1,%2,%3);border-radius:2px;");
    const QString empty = QStringLiteral("background:rgba(255,255,255,0.16);border-radius:2px;");
    return (QStringLiteral("QSlider::groove:horizontal{height:4px;background:rgba(255,255,255,0.16);border-radius:2px;}"
                           "QSlider::sub-page:horizontal{") +
            (rtl ? empty : filled) + QStringLiteral("}QSlider::add-page:horizontal{") + (rtl ? filled : empty) +
            QStringLiteral("}"

                           "QSlider::handle:horizontal{background:rgb(242,242,247);width:14px;height:14px;"
                           "margin:-5px 0;border-radius:7px;}"
                           "QSlider::handle:horizontal:disabled{background:rgb(161,161,170);}"))
        .arg(a.red())
        .arg(a.green())
        .arg(a.blue());
}

}  // namespace

MainFanCardView::MainFanCardView(FanController& ctrl, bool isLeft, QWidget* parent)
    : QWidget(parent), ctrl_(ctrl), isLeft_(isLeft) {
    setFixedHeight(cardHeight);

    titleLabel_ = makeLabel(l10n(isLeft ? "leftFan" : "rightFan"), 15, QFont::DemiBold);
    titleLabel_->setParent(this);

    curveButton_ = new QPushButton(l10n("sensorCurve"), this);
    curveButton_->setFont(systemFont(11, QFont::Medium));
    curveButton_->setFocusPolicy(Qt::TabFocus);
    styleFlatButton(curveButton_, QColor(255, 255, 255, qRound(0.08 * 255)), 5, qcolor(Palette::accentText));
    QObject::connect(curveButton_, &QPushButton::clicked, this, [this] {
        if (onShowCurve) onShowCurve();
    });

    rpmLargeLabel_ = makeLabel(QStringLiteral("\u2014"), 34, QFont::DemiBold, Palette::text, true);
    rpmLargeLabel_->setParent(this);
    rpmSubLabel_ = makeLabel(QStringLiteral("rpm"), 13, QFont::Normal, Palette::secondary);
    rpmSubLabel_->setParent(this);

    normalLabel_ = makeLabel(l10n("tierNormal"), 12, QFont::Normal, Palette::secondary);
    normalLabel_->setParent(this);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(1000, 6000);
    slider_->setValue(3000);
    slider_->setStyleSheet(sliderStyle(false));
    slider_->setAccessibleName(l10n(isLeft ? "leftFan" : "rightFan"));
    QObject::connect(slider_, &QSlider::sliderPressed, this, [this] { isDraggingSlider_ = true; });
    QObject::connect(slider_, &QSlider::sliderReleased, this, [this] { isDraggingSlider_ = false; });
    QObject::connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (!settingSlider_) sliderMoved(value);
    });
    normalBadge_ = makeLabel(QStringLiteral("\u2014"), 12, QFont::DemiBold, Palette::text, true);
    normalBadge_->setParent(this);
    normalBadge_->setAlignment(Qt::AlignCenter);
    normalBadge_->setStyleSheet(QStringLiteral("background:rgba(255,255,255,0.14);border-radius:5px;"));

    auto makeTier = [this](int tier, QLabel*& label, StepperBox*& temp, StepperBox*& rpm) {
        label = makeLabel(QStringLiteral("CPU >"), 12);
        label->setParent(this);
        temp = new StepperBox(QString(), 44, this);
        rpm = new StepperBox(QString(), 48, this);
        temp->onDec = [this, tier] { adjustTemp(tier, -1); };
        temp->onInc = [this, tier] { adjustTemp(tier, +1); };
        rpm->onDec = [this, tier] { adjustRPM(tier, -TempLadder::rpmStep); };
        rpm->onInc = [this, tier] { adjustRPM(tier, +TempLadder::rpmStep); };
    };
    makeTier(2, tier2Label_, tier2TempStepper_, tier2RpmStepper_);
    makeTier(3, tier3Label_, tier3TempStepper_, tier3RpmStepper_);
    updateSteppers();
}

void MainFanCardView::update(const FanInfo* fan) {
    normalLabel_->setText(l10n("tierNormal"));
    const bool custom = ctrl_.preset() == FanPreset::mySettings;
    setLabelColor(normalBadge_, custom ? qcolor(Palette::text) : qcolor(Palette::secondary));
    for (StepperBox* box : {tier2TempStepper_, tier2RpmStepper_, tier3TempStepper_, tier3RpmStepper_})
        box->setEnabled(custom);
    QColor dim = qcolor(Palette::secondary);
    dim.setAlphaF(0.5f);
    setLabelColor(tier2Label_, custom ? qcolor(Palette::text) : dim);
    setLabelColor(tier3Label_, custom ? qcolor(Palette::text) : dim);

    if (!fan) {
        rpmLargeLabel_->setText(QStringLiteral("\u2014"));
        slider_->setEnabled(false);
        normalBadge_->setText(QStringLiteral("\u2014"));
    } else {
        slider_->setEnabled(custom);
        rpmLargeLabel_->setText(QString::fromStdString(fan->actualText()));
        settingSlider_ = true;
        slider_->setRange(fan->minRPM, std::max(fan->minRPM, fan->maxRPM));
        if (!isDraggingSlider_) {
            const int mine = isLeft_ ? ctrl_.myLeftRPM() : ctrl_.myRightRPM();
            const int shown = custom ? std::clamp(mine, slider_->minimum(), slider_->maximum()) : fan->target;
            slider_->setValue(shown);
            normalBadge_->setText(QString::number(shown));
        }
        settingSlider_ = false;
    }
    placeSpeed();
    updateSteppers();
}

void MainFanCardView::updateSteppers() {
    const LadderTier& t2 = ctrl_.ladder2();
    const LadderTier& t3 = ctrl_.ladder3();
    tier2TempStepper_->setText(QString::number(t2.tempC) + QStringLiteral("\u00B0C"));
    tier3TempStepper_->setText(QString::number(t3.tempC) + QStringLiteral("\u00B0C"));
    tier2RpmStepper_->setText(QString::number(isLeft_ ? t2.left : t2.right));
    tier3RpmStepper_->setText(QString::number(isLeft_ ? t3.left : t3.right));
}

void MainFanCardView::adjustTemp(int tier, int delta) {
    if (isLeft_) ctrl_.setLeftLadderEnabled(true);
    else ctrl_.setRightLadderEnabled(true);
    const int low = TempLadder::tempRange.lower;
    const int high = TempLadder::tempRange.upper;
    if (tier == 2) {
        LadderTier t = ctrl_.ladder2();
        t.tempC = std::max(low, std::min(t.tempC + delta, ctrl_.ladder3().tempC - 1));
        t.enabled = true;
        ctrl_.setLadder2(t);
    } else {
        LadderTier t = ctrl_.ladder3();
        t.tempC = std::max(ctrl_.ladder2().tempC + 1, std::min(t.tempC + delta, high));
        t.enabled = true;
        ctrl_.setLadder3(t);
    }
    updateSteppers();
}

void MainFanCardView::adjustRPM(int tier, int delta) {
    if (isLeft_) ctrl_.setLeftLadderEnabled(true);
    else ctrl_.setRightLadderEnabled(true);
    const FanInfo* fan = ctrl_.fan(isLeft_ ? 0 : 1);
    const int minRPM = fan ? fan->minRPM : fallbackMinRPM;
    const int maxRPM = fan ? fan->maxRPM : fallbackMaxRPM;
    LadderTier t = tier == 2 ? ctrl_.ladder2() : ctrl_.ladder3();
    int& speed = isLeft_ ? t.left : t.right;
    speed = std::max(minRPM, std::min(speed + delta, maxRPM));
    t.enabled = true;
    if (tier == 2) ctrl_.setLadder2(t);
    else ctrl_.setLadder3(t);
    updateSteppers();
}

void MainFanCardView::sliderMoved(int value) {
    isDraggingSlider_ = slider_->isSliderDown();
    if (isLeft_) {
        ctrl_.setLeftLadderEnabled(true);
        ctrl_.setLeftMode(FanMode::constant);
        ctrl_.setMyLeftRPM(value);
    } else {
        ctrl_.setRightLadderEnabled(true);
        ctrl_.setRightMode(FanMode::constant);
        ctrl_.setMyRightRPM(value);
    }
    if (ctrl_.preset() != FanPreset::mySettings) ctrl_.setPreset(FanPreset::mySettings);
    normalBadge_->setText(QString::number(value));
}

void MainFanCardView::paintEvent(QPaintEvent*) { paintCard(this, 12); }

void MainFanCardView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange)
        slider_->setStyleSheet(sliderStyle(layoutDirection() == Qt::RightToLeft));
    QWidget::changeEvent(event);
}

void MainFanCardView::resizeEvent(QResizeEvent*) {
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect area = rect();
    const int w = width();
    auto place = [&](QWidget* view, QRect logical) { view->setGeometry(QStyle::visualRect(dir, area, logical)); };

    const QSize curve = curveButton_->sizeHint();
    const int curveW = curve.width() + 4;
    const int curveH = 22;
    const QSize title = titleLabel_->sizeHint();
    place(titleLabel_, QRect(side, 18, std::min(title.width(), w - 2 * side - curveW - 8), title.height()));
    place(curveButton_, QRect(w - side - curveW, 18 + (title.height() - curveH) / 2, curveW, curveH));

    placeSpeed();

    const int normalW = std::max(36, normalLabel_->sizeHint().width());
    const int labelH = normalLabel_->sizeHint().height();
    place(normalLabel_, QRect(side, normalRowTop + (rowHeight - labelH) / 2, normalW, labelH));
    const QRect badge(w - side - 58, normalRowTop + (rowHeight - 24) / 2, 58, 24);
    place(normalBadge_, badge);
    const int sliderX = side + normalW + 12;
    const int sliderH = 20;
    place(slider_, QRect(sliderX, normalRowTop + (rowHeight - sliderH) / 2, std::max(0, badge.left() - 12 - sliderX), sliderH));

    const int row2 = normalRowTop + rowHeight + rowGap;
    layoutRow(row2, tier2Label_, tier2TempStepper_, tier2RpmStepper_);
    layoutRow(row2 + rowHeight + rowGap, tier3Label_, tier3TempStepper_, tier3RpmStepper_);
}

// The big number is as wide as its text, which changes with every reading.
void MainFanCardView::placeSpeed() {
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect area = rect();
    auto place = [&](QWidget* view, QRect logical) { view->setGeometry(QStyle::visualRect(dir, area, logical)); };
    const QSize large = rpmLargeLabel_->sizeHint();
    place(rpmLargeLabel_, QRect(side, 52, large.width() + 8, large.height()));
    // "rpm" shares the big number's baseline.
    const int baseline = 52 + QFontMetrics(rpmLargeLabel_->font()).ascent();
    const QSize sub = rpmSubLabel_->sizeHint();
    place(rpmSubLabel_, QRect(side + large.width() + 8, baseline - QFontMetrics(rpmSubLabel_->font()).ascent(),
                              sub.width(), sub.height()));
}

void MainFanCardView::layoutRow(int top, QLabel* label, StepperBox* temp, StepperBox* rpm) {
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect area = rect();
    const QSize l = label->sizeHint();
    label->setGeometry(QStyle::visualRect(dir, area, QRect(side, top + (rowHeight - l.height()) / 2, l.width(), l.height())));
    const int boxTop = top + (rowHeight - StepperBox::height) / 2;
    temp->setGeometry(QStyle::visualRect(dir, area, QRect(side + l.width() + 8, boxTop, temp->width(), StepperBox::height)));
    rpm->setGeometry(
        QStyle::visualRect(dir, area, QRect(width() - side - rpm->width(), boxTop, rpm->width(), StepperBox::height)));
}

}  // namespace ventiq
