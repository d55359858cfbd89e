#include "menubar/DropdownMenuPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "engine/FanController.h"
#include "menubar/FanRowView.h"
#include "menubar/MenuActionView.h"
#include "menubar/PanelLayout.h"
#include "menubar/PanelSwitchRowView.h"
#include "menubar/PresetRowView.h"
#include "menubar/SloganBoxView.h"
#include "menubar/TempStripView.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"
#include "viewkit/ShowAlert.h"
#include "viewkit/StatusDot.h"
#include "viewkit/SymbolIcons.h"
#include "viewkit/ViewHelpers.h"

namespace ventiq {

using PanelStyle::z;

namespace {

QString l10n(const char* key) { return QString::fromStdString(L10n::tr(key)); }

class Divider final : public QWidget {
public:
    Divider() { setFixedSize(qRound(PanelStyle::rowWidth()), 1); }

protected:
    void paintEvent(QPaintEvent*) override {
        const double inset = z(8);
        QPainter(this).fillRect(QRectF(inset, 0, width() - 2 * inset, 1), qcolor(PanelStyle::line));
    }
};

QPixmap roundedIcon(double side, double radius, double dpr) {
    const QImage icon = SymbolIcons::applicationIcon(side, dpr);
    QPixmap out(QSize(static_cast<int>(std::ceil(side * dpr)), static_cast<int>(std::ceil(side * dpr))));
    out.setDevicePixelRatio(dpr);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, side, side), radius, radius);
    p.setClipPath(clip);
    if (!icon.isNull()) {
        p.drawImage(QRectF(0, 0, side, side), icon);
    } else {
        QLinearGradient g(0, side, 0, 0);
        g.setColorAt(0, qcolor(Palette::gradStart));
        g.setColorAt(1, qcolor(Palette::gradEnd));
        p.fillRect(QRectF(0, 0, side, side), g);
    }
    return out;
}

}  // namespace

DropdownMenuPanel::DropdownMenuPanel(FanController& ctrl, MainLoop& loop, NotificationCenter& notifications,
                                     QWidget* parent)
    : QWidget(parent), ctrl_(ctrl), stack_(new QVBoxLayout(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    resize(qRound(PanelStyle::cardWidth()), qRound(PanelStyle::expectedHeight(0)));
    stack_->setContentsMargins(0, qRound(PanelStyle::topPad()), 0, qRound(PanelStyle::bottomPad()));
    stack_->setSpacing(0);
    stack_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    stack_->setSizeConstraint(QLayout::SetNoConstraint);

    buildHeader();
    addDivider();
    switchRow_ = new PanelSwitchRowView(l10n("panelToggle"), [this] {
        ctrl_.setControlOn(!ctrl_.isControlOn());
        updateContent();
    });
    add(switchRow_);
    addDivider();
    buildBanner();
    leftFanRow_ = new FanRowView(true, loop);
    leftFanRow_->onSliderCommit = [this](int rpm) { ctrl_.setFanFixedRPM(0, rpm); };
    add(leftFanRow_);
    addDivider();
    rightFanRow_ = new FanRowView(false, loop);
    rightFanRow_->onSliderCommit = [this](int rpm) { ctrl_.setFanFixedRPM(1, rpm); };
    add(rightFanRow_);
    addDivider();
    tempStrip_ = new TempStripView();
    add(tempStrip_);
    addDivider();
    presetViews_[0] = new PresetRowView(l10n("autoShort"), false, [this] {
        ctrl_.setPreset(FanPreset::auto_);
        updateContent();
    });
    presetViews_[1] = new PresetRowView(l10n("mySettings"), true, [this] {
        ctrl_.setPreset(FanPreset::mySettings);
        updateContent();
        if (onOpenMainWindow) onOpenMainWindow();
    });
    presetViews_[2] = new PresetRowView(l10n("fullSpeed"), false, [this] {
        ctrl_.setPreset(FanPreset::fullSpeed);
        updateContent();
    });
    for (PresetRowView* row : presetViews_) {
        add(row);
        addDivider();
    }
    actionViews_[0] = new MenuActionView(l10n("preferences"), [this] {
        if (onOpenPreferences) onOpenPreferences();
    });
    actionViews_[1] = new MenuActionView(l10n("quitApp"), [this] {
        if (onQuit) onQuit();
    });
    for (MenuActionView* row : actionViews_) {
        add(row);
        addDivider();
    }
    sloganBox_ = new SloganBoxView();
    add(sloganBox_);

    // A row the pointer enters clears the highlight another row may have kept.
    for (PanelHoverRow* row : hoverRows())
        row->onHoverEntered = [this, row] {
            for (PanelHoverRow* other : hoverRows())
                if (other != row) other->syncHoverWithMouse();
        };

    updateContent();
    applyLayoutDirection(this);
    // A hidden panel is brought up to date when it is shown; refreshing it on
    // every tick while nobody sees it is the tray's largest idle cost.
    dataObserver_ = notifications.addObserver(Notifications::dataUpdated, [this] {
        if (isVisible()) updateContent();
    });
}

DropdownMenuPanel::~DropdownMenuPanel() = default;

void DropdownMenuPanel::add(QWidget* block) { stack_->addWidget(block, 0, Qt::AlignHCenter); }

void DropdownMenuPanel::addDivider() {
    add(new Divider());
    ++dividers_;
}

void DropdownMenuPanel::buildHeader() {
    headerBox_ = new QWidget();
    headerBox_->setFixedSize(qRound(PanelStyle::rowWidth()), qRound(PanelStyle::headerHeight()));
    auto* row = new QHBoxLayout(headerBox_);
    row->setContentsMargins(qRound(z(8)), 0, qRound(z(8)), 0);
    row->setSpacing(0);

    iconView_ = new QLabel();
    const double side = z(48);
    iconView_->setFixedSize(QSizeF(side, side).toSize());
    iconView_->setPixmap(roundedIcon(side, z(11), devicePixelRatioF() < 2 ? 2.0 : devicePixelRatioF()));
    iconView_->setScaledContents(true);
    row->addWidget(iconView_, 0, Qt::AlignVCenter);
    row->addSpacing(qRound(z(12)));

    auto* texts = new QVBoxLayout();
    texts->setSpacing(qRound(z(2)));
    titleLabel_ = new ElidingLabel();
    titleLabel_->setFont(systemFont(z(16), QFont::DemiBold));
    setTextColor(titleLabel_, PanelStyle::text);
    titleLabel_->setFullText(l10n("app.name"));
    subLabel_ = new QLabel();
    subLabel_->setFont(systemFont(z(12)));
    setTextColor(subLabel_, PanelStyle::secondary);
    subLabel_->setWordWrap(true);
    subLabel_->setMaximumWidth(qRound(PanelStyle::cardWidth() - 2 * z(8) - 2 * z(8) - z(60) - z(16)));
    // Title and version sit together in the middle of the header, each at
    // the leading side, which the layout mirrors for right-to-left.
    texts->addStretch(1);
    texts->addWidget(titleLabel_, 0, Qt::AlignLeading);
    texts->addWidget(subLabel_, 0, Qt::AlignLeading);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addSpacing(qRound(z(8)));

    statusDot_ = new StatusDot(qRound(z(8)), Palette::secondary);
    row->addWidget(statusDot_, 0, Qt::AlignVCenter);
    add(headerBox_);
}

void DropdownMenuPanel::buildBanner() {
    enableBannerBox_ = new QWidget();
    enableBannerBox_->setFixedSize(qRound(PanelStyle::rowWidth()),
                                   qRound(PanelStyle::bannerBoxHeight()));
    auto* layout = new QVBoxLayout(enableBannerBox_);
    layout->setContentsMargins(qRound(z(8)), qRound(z(6)), qRound(z(8)),
                               qRound(z(6)));
    enableBanner_ = new QPushButton();
    enableBanner_->setFlat(true);
    enableBanner_->setCursor(Qt::PointingHandCursor);
    enableBanner_->setFont(systemFont(z(13), QFont::DemiBold));
    enableBanner_->setFixedHeight(qRound(PanelStyle::bannerHeight()));
    enableBanner_->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: none; border-radius: %2px;"
                                                " color: white; padding: 0 %3px; }"
                                                "QPushButton:disabled { color: rgba(255,255,255,0.5); }")
                                     .arg(qcolor(Palette::segSelected).name())
                                     .arg(z(8))
                                     .arg(z(8)));
    QObject::connect(enableBanner_, &QPushButton::clicked, this, [this] { enableBannerClicked(); });
    layout->addWidget(enableBanner_);
    enableBannerBox_->hide();
    add(enableBannerBox_);
}

std::vector<PanelHoverRow*> DropdownMenuPanel::hoverRows() const {
    std::vector<PanelHoverRow*> rows{switchRow_};
    rows.insert(rows.end(), presetViews_.begin(), presetViews_.end());
    rows.insert(rows.end(), actionViews_.begin(), actionViews_.end());
    return rows;
}

QColor DropdownMenuPanel::statusDotColor() const { return statusDot_->color(); }

void DropdownMenuPanel::updateContent() {
    using Kind = ControlState::Kind;
    const ControlState& state = ctrl_.controlState();
    const QString version = QString::fromStdString(PanelStyle::versionText());
    subLabel_->setText(version);
    subLabel_->setToolTip(version);

    Rgba dot = Palette::secondary;
    switch (state.kind()) {
        case Kind::system: dot = Palette::green; break;
        case Kind::active: dot = ctrl_.preset() == FanPreset::fullSpeed ? Palette::accentText : Palette::green; break;
        case Kind::applying: dot = Palette::accentText; break;
        case Kind::external:
        case Kind::needsHelper:
        case Kind::failed: dot = Palette::secondary; break;
    }
    statusDot_->setColor(qcolor(dot));

    const bool installing = ctrl_.helperInstalling();
    const QString warning = QString::fromUtf8("\u26A0\uFE0E  ");
    if (state.kind() == Kind::failed) {
        enableBanner_->setText(warning + l10n("bannerRetry"));
        enableBanner_->setToolTip(QString::fromStdString(ctrl_.lastControlMessage()));
        enableBanner_->setEnabled(!installing);
        enableBannerBox_->show();
    } else if (state.kind() == Kind::needsHelper) {
        enableBanner_->setText(warning + l10n(installing ? "helperInstalling" : "bannerEnable"));
        enableBanner_->setToolTip(QString::fromStdString(ctrl_.helperStatusText()));
        enableBanner_->setEnabled(!installing);
        enableBannerBox_->show();
    } else {
        enableBannerBox_->hide();
    }

    const bool custom = ctrl_.preset() == FanPreset::mySettings;
    leftFanRow_->update(ctrl_.fan(0), custom ? std::optional<int>(ctrl_.myLeftRPM()) : std::nullopt);
    rightFanRow_->update(ctrl_.fan(1), custom ? std::optional<int>(ctrl_.myRightRPM()) : std::nullopt);

    const TempSnapshot& t = ctrl_.temps();
    tempStrip_->update({t.cpuMax, t.cpuAvg, t.ssd, t.battery}, ctrl_.prefs().useFahrenheit());

    switchRow_->setOn(ctrl_.isControlOn());

    const FanPreset presets[] = {FanPreset::auto_, FanPreset::mySettings, FanPreset::fullSpeed};
    for (int i = 0; i < 3; ++i) presetViews_[i]->setChecked(ctrl_.preset() == presets[i]);
    presetViews_[0]->setSubtitle(l10n("autoSub"));
    const auto speeds = [](int l, int r) { return QStringLiteral(" · L %1 · R %2").arg(l).arg(r); };
    QString customSub;
    if (ctrl_.heatMaxActive())
        customSub = l10n("heatMaxTag") + speeds(ctrl_.myLeftEffectiveRPM(), ctrl_.myRightEffectiveRPM());
    else if (ctrl_.ladderActive() && ctrl_.ladderTier() >= 2)
        customSub = QString::fromStdString(L10n::tr("ladderStepTag", {{"n", std::to_string(ctrl_.ladderTier())}})) +
                    speeds(ctrl_.myLeftEffectiveRPM(), ctrl_.myRightEffectiveRPM());
    else
        customSub = QStringLiteral("L %1 · R %2").arg(ctrl_.myLeftRPM()).arg(ctrl_.myRightRPM());
    presetViews_[1]->setSubtitle(customSub);
    presetViews_[2]->setSubtitle(QString());

    stack_->activate();
    preferredHeight_ = static_cast<int>(std::ceil(stack_->sizeHint().height()));
    if (std::abs(height() - preferredHeight_) > 0.5)
        resize(qRound(PanelStyle::cardWidth()), preferredHeight_);
    syncHover();
}

void DropdownMenuPanel::resetHover() {
    for (PanelHoverRow* row : hoverRows()) row->resetHover();
}

void DropdownMenuPanel::syncHover() {
    for (PanelHoverRow* row : hoverRows()) row->syncHoverWithMouse();
}

void DropdownMenuPanel::enableBannerClicked() {
    if (ctrl_.controlState().kind() == ControlState::Kind::failed) {
        ctrl_.retryApply();
        return;
    }
    ctrl_.enableFanControl([](bool ok, const std::string& message) {
        if (!ok && !message.empty()) showAlert(L10n::tr("enableFanControl"), message);
    });
}

void DropdownMenuPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double radius = z(PanelStyle::base::cornerRadius);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.fillPath(card, qcolor(PanelStyle::background));
    p.strokePath(card, QPen(qcolor(PanelStyle::border), PanelStyle::borderWidth));
}

}  // namespace ventiq
