#include "windows/MainContentView.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <cstdio>

#include "engine/FanController.h"
#include "engine/FanHelper.h"
#include "settings/AppLanguage.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ShowAlert.h"
#include "viewkit/StatusDot.h"
#include "viewkit/SymbolIcons.h"
#include "viewkit/ViewHelpers.h"
#include "windows/MainFanCardView.h"
#include "windows/SegmentedControl.h"
#include "windows/SensorControlSheetController.h"
#include "windows/SensorListView.h"
#include "windows/SensorRefresher.h"
#include "windows/SustainedHeatCardView.h"
#include "windows/WindowStyle.h"

namespace ventiq {

namespace {

QString l10n(const char* key, const std::map<std::string, std::string>& values = {}) {
    return QString::fromStdString(values.empty() ? L10n::tr(key) : L10n::tr(key, values));
}

constexpr int columnSide = 20;
constexpr int columnTop = 16;
constexpr int headerHeight = 24;
constexpr int cardGap = 10;
constexpr int buttonsGap = 14;
constexpr int buttonWidth = 80;
constexpr int buttonHeight = 26;
constexpr int listInset = 16;
constexpr int listSide = 20;

// macOS's orange for a state that needs the user.
const QColor systemOrange(255, 159, 10);

// These two texts are shown as they are in every language.
const char* const installLocationTitle = "请先安装到应用程序文件夹";
const char* const installLocationMessage =
    "macOS 安全机制要求风扇助手只能与「应用程序」文件夹内的 App 连接。\n\n请将 Tavrinel 拖入「应用程序」文件夹后再点击启用。";
const char* const enableFailedTitle = "启用未完成";

}  // namespace

// The toolbar and the status bar: a card-coloured band with a hairline on
// the side that faces the content.
class MainContentView::Bar : public QWidget {
public:
    Bar(bool lineAtBottom, QWidget* parent) : QWidget(parent), lineAtBottom_(lineAtBottom) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), qcolor(Palette::cardBg));
        p.fillRect(QRect(0, lineAtBottom_ ? height() - 1 : 0, width(), 1), qcolor(Palette::line));
    }

private:
    bool lineAtBottom_;
};

MainContentView::MainContentView(const MainWindowContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      ctrl_(*context.engine),
      initialLeftMode_(ctrl_.leftMode()),
      initialRightMode_(ctrl_.rightMode()) {
    initialLeftRPM_ = ctrl_.myLeftRPM();
    initialRightRPM_ = ctrl_.myRightRPM();
    initialLeftLadder_ = ctrl_.leftLadderEnabled();
    initialRightLadder_ = ctrl_.rightLadderEnabled();
    initialLadder2_ = ctrl_.ladder2();
    initialLadder3_ = ctrl_.ladder3();
    initialSustainedMaxOn_ = ctrl_.sustainedMaxOn();
    initialSustainedMinutes_ = ctrl_.sustainedMinutes();

    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, qcolor(Palette::windowBg));
    palette.setColor(QPalette::WindowText, qcolor(Palette::text));
    setPalette(palette);

    buildToolbar();
    buildStatusBar();
    buildLeftColumn();
    divider_ = makeHairline();
    divider_->setParent(this);
    sensorList_ = new SensorListView(this);

    resize(921, 900);
    updateUI();
    if (context_.makeSensorReader) {
        if (SensorListRead read = context_.makeSensorReader()) applySnapshot(read());
    }
    if (AppLanguage::isRTL()) {
        applyLayoutDirection(this);
        settingsGear_->setLayoutDirection(Qt::LeftToRight);
    }
    if (context_.notifications)
        // A hidden window is brought up to date when it is shown again.
        dataObserver_ = context_.notifications->addObserver(Notifications::dataUpdated, [this] {
            if (isVisible()) updateUI();
        });
}

MainContentView::~MainContentView() = default;

void MainContentView::buildToolbar() {
    toolbar_ = new Bar(true, this);
    appNameLabel_ = makeLabel(l10n("app.name"), 13, QFont::DemiBold);
    appNameLabel_->setParent(toolbar_);
    presetSegment_ = new SegmentedControl({l10n("autoShort"), l10n("mySettings"), l10n("fullSpeed")}, 210, 24, toolbar_);
    presetSegment_->onSelect = [this](int segment) { presetChanged(segment); };
    settingsGear_ = new QToolButton(toolbar_);
    settingsGear_->setFixedSize(28, 28);
    settingsGear_->setAutoRaise(true);
    settingsGear_->setIcon(
        QIcon(QPixmap::fromImage(SymbolIcons::image("gearshape", 18, qcolor(Palette::secondary), devicePixelRatioF()))));
    settingsGear_->setIconSize(QSize(18, 18));
    settingsGear_->setStyleSheet(QStringLiteral("QToolButton{border:none;background:transparent;}"
                                                "QToolButton:hover{background:rgba(255,255,255,0.08);border-radius:6px;}"));
    settingsGear_->setToolTip(l10n("preferences"));
    settingsGear_->setAccessibleName(l10n("preferences"));
    QObject::connect(settingsGear_, &QToolButton::clicked, this, [this] { openPreferences(); });
}

void MainContentView::buildStatusBar() {
    statusBar_ = new Bar(false, this);
    statusDot_ = new StatusDot(6, Palette::green, statusBar_);
    statusLabel_ = makeLabel(QString(), 11, QFont::Normal, Palette::secondary);
    statusLabel_->setParent(statusBar_);
    enableHelperButton_ = new QPushButton(l10n("enableFanControl"), statusBar_);
    enableHelperButton_->setFont(systemFont(11, QFont::Medium));
    styleFlatButton(enableHelperButton_, qcolor(Palette::accent), 4, Qt::white);
    enableHelperButton_->hide();
    QObject::connect(enableHelperButton_, &QPushButton::clicked, this, [this] { enableHelperClicked(); });
}

void MainContentView::buildLeftColumn() {
    leftScroll_ = new QScrollArea(this);
    styleOverlayScroll(leftScroll_);
    leftScroll_->setWidgetResizable(false);
    leftDoc_ = new FlippedView();
    leftScroll_->setWidget(leftDoc_);
    leftDoc_->setAutoFillBackground(false);

    fansLabel_ = makeLabel(l10n("fans"), 12, QFont::DemiBold, Palette::secondary);
    fansLabel_->setParent(leftDoc_);
    cpuTempLabel_ = makeLabel(QString(), 12, QFont::DemiBold, Palette::secondary, true);
    cpuTempLabel_->setParent(leftDoc_);
    cpuTempLabel_->setAlignment(Qt::AlignVCenter | Qt::AlignTrailing);

    auto showCurve = [this](bool isLeft) {
        SensorControlSheetController::show(ctrl_, isLeft, window());
    };
    leftCard_ = new MainFanCardView(ctrl_, true, leftDoc_);
    rightCard_ = new MainFanCardView(ctrl_, false, leftDoc_);
    leftCard_->onShowCurve = [showCurve] { showCurve(true); };
    rightCard_->onShowCurve = [showCurve] { showCurve(false); };
    sustainedCard_ = new SustainedHeatCardView(ctrl_, leftDoc_);

    cancelButton_ = new QPushButton(l10n("cancel"), leftDoc_);
    cancelButton_->setFont(systemFont(12, QFont::Normal));
    styleFlatButton(cancelButton_, QColor(255, 255, 255, qRound(0.22 * 255)), 6, qcolor(Palette::text));
    saveButton_ = new QPushButton(l10n("save"), leftDoc_);
    saveButton_->setFont(systemFont(12, QFont::DemiBold));
    styleFlatButton(saveButton_, qcolor(Palette::accent), 6, Qt::white);
    QObject::connect(cancelButton_, &QPushButton::clicked, this, [this] { cancelClicked(); });
    QObject::connect(saveButton_, &QPushButton::clicked, this, [this] { saveClicked(); });
}

void MainContentView::applySnapshot(const SensorListSnapshot& snapshot) {
    ++sensorApplyCount_;
    sensorList_->apply(snapshot, ctrl_.prefs().useFahrenheit());
}

void MainContentView::startLive() {
    if (!sensorRefresher_) {
        if (!context_.makeSensorReader) return;
        sensorRefresher_ = std::make_unique<SensorRefresher>(
            context_.makeSensorReader, [this](const SensorListSnapshot& snapshot) { applySnapshot(snapshot); });
    }
    sensorRefresher_->start();
}

void MainContentView::stopLive() {
    if (sensorRefresher_) sensorRefresher_->stop();
}

bool MainContentView::isLive() const { return sensorRefresher_ && sensorRefresher_->isRunning(); }

bool MainContentView::sustainedCardShown() const { return !sustainedCard_->isHidden(); }

QColor MainContentView::statusDotColor() const { return statusDot_->color(); }

void MainContentView::updateUI() {
    const FanPreset preset = ctrl_.preset();
    presetSegment_->setSelectedSegment(preset.rawValue());

    if (auto peak = ctrl_.temps().cpuMax) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "CPU %.1f\u00B0C", *peak);
        cpuTempLabel_->setText(QString::fromUtf8(buffer));
    } else {
        cpuTempLabel_->setText(QStringLiteral("CPU \u2014\u00B0C"));
    }

    const QString refresh = l10n("refreshEvery", {{"n", std::to_string(ctrl_.prefs().refreshSeconds())}});
    const QString dotSep = QStringLiteral(" \u00B7 ");
    const QString presetTitle = QString::fromStdString(preset.title());
    QString status;
    QColor dot;
    bool showEnable = false;
    const ControlState& state = ctrl_.controlState();
    switch (state.kind()) {
    case ControlState::Kind::system:
        status = l10n("statusSystem") + dotSep + refresh;
        dot = qcolor(Palette::green);
        break;
    case ControlState::Kind::external:
        status = l10n("statusExternal") + dotSep + refresh;
        dot = qcolor(Palette::secondary);
        break;
    case ControlState::Kind::needsHelper:
        status = l10n("statusNotActive") + l10n("needsHelperShort");
        dot = systemOrange;
        showEnable = true;
        break;
    case ControlState::Kind::applying:
        status = l10n("statusApplying") + presetTitle;
        dot = qcolor(Palette::accentText);
        break;
    case ControlState::Kind::active:
        status = l10n("statusActive") + presetTitle + dotSep + refresh;
        dot = qcolor(Palette::green);
        break;
    case ControlState::Kind::failed:
        status = l10n("statusNotActive") + QString::fromStdString(state.message());
        dot = qcolor(Palette::secondary);
        showEnable = true;
        break;
    }
    if (statusLabel_->text() != status) statusLabel_->setText(status);
    statusDot_->setColor(dot);
    enableHelperButton_->setVisible(showEnable);

    leftCard_->update(ctrl_.fan(0));
    rightCard_->update(ctrl_.fan(1));

    const bool custom = preset == FanPreset::mySettings;
    sustainedCard_->setVisible(custom);
    if (custom) sustainedCard_->updateUI();

    relayout();

    const std::string key = custom ? "sustained" : "plain";
    const bool changed = key != layoutKey_ && !layoutKey_.empty();
    layoutKey_ = key;
    if (changed && onLayoutChanged) onLayoutChanged();
}

int MainContentView::layoutLeftDoc(int width, bool apply) {
    if (width <= 0) width = leftColumnWidth;
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect area(0, 0, width, 1);
    auto place = [&](QWidget* view, QRect logical) {
        if (apply) view->setGeometry(QStyle::visualRect(dir, area, logical));
    };
    const int inner = width - 2 * columnSide;
    int y = columnTop;
    const int fansW = fansLabel_->sizeHint().width();
    const int labelH = fansLabel_->sizeHint().height();
    place(fansLabel_, QRect(columnSide, y + (headerHeight - labelH) / 2, fansW, labelH));
    const int tempW = std::max(0, inner - fansW - 8);
    place(cpuTempLabel_, QRect(width - columnSide - tempW, y + (headerHeight - labelH) / 2, tempW, labelH));
    y += headerHeight + cardGap;
    place(leftCard_, QRect(columnSide, y, inner, MainFanCardView::cardHeight));
    y += MainFanCardView::cardHeight + cardGap;
    place(rightCard_, QRect(columnSide, y, inner, MainFanCardView::cardHeight));
    y += MainFanCardView::cardHeight + cardGap;
    const int sustainedH = sustainedCard_->isHidden() ? 0 : sustainedCard_->heightForWidth(inner);
    if (sustainedH > 0) place(sustainedCard_, QRect(columnSide, y, inner, sustainedH));
    y += sustainedH + buttonsGap;
    const int centre = width / 2;
    place(cancelButton_, QRect(centre - 4 - buttonWidth, y, buttonWidth, buttonHeight));
    place(saveButton_, QRect(centre + 4, y, buttonWidth, buttonHeight));
    y += buttonHeight + columnTop;
    if (apply) leftDoc_->resize(width, y);
    return y;
}

int MainContentView::desiredHeight() {
    const int left = layoutLeftDoc(leftColumnWidth, false);
    return std::max(left, sensorList_->preferredHeight() + 2 * listInset) + toolbarHeight + statusBarHeight;
}

void MainContentView::layoutBars() {
    const int w = width();
    const int h = height();
    const Qt::LayoutDirection dir = layoutDirection();

    toolbar_->setGeometry(0, 0, w, toolbarHeight);
    // The toolbar keeps its left and right whatever the language: the window
    // buttons sit at the left.
    const QSize name = appNameLabel_->sizeHint();
    appNameLabel_->setGeometry(80, (toolbarHeight - name.height()) / 2, name.width(), name.height());
    settingsGear_->setGeometry(w - 16 - 28, (toolbarHeight - 28) / 2, 28, 28);
    presetSegment_->move(settingsGear_->x() - 20 - presetSegment_->width(), (toolbarHeight - 24) / 2);

    statusBar_->setGeometry(0, h - statusBarHeight, w, statusBarHeight);
    const QRect bar(0, 0, w, statusBarHeight);
    statusDot_->setGeometry(QStyle::visualRect(dir, bar, QRect(16, (statusBarHeight - 6) / 2, 6, 6)));
    const QSize button = enableHelperButton_->sizeHint();
    const int buttonW = button.width() + 8;
    const QRect buttonRect(w - 16 - buttonW, (statusBarHeight - 20) / 2, buttonW, 20);
    enableHelperButton_->setGeometry(QStyle::visualRect(dir, bar, buttonRect));
    const int labelX = 16 + 6 + 8;
    const int labelRight = enableHelperButton_->isHidden() ? w - 16 : buttonRect.left() - 8;
    const int labelH = statusLabel_->sizeHint().height();
    statusLabel_->setGeometry(QStyle::visualRect(
        dir, bar, QRect(labelX, (statusBarHeight - labelH) / 2, std::max(0, labelRight - labelX), labelH)));

    const int columnH = std::max(0, h - toolbarHeight - statusBarHeight);
    const QRect whole = rect();
    leftScroll_->setGeometry(QStyle::visualRect(dir, whole, QRect(0, toolbarHeight, leftColumnWidth, columnH)));
    divider_->setGeometry(QStyle::visualRect(dir, whole, QRect(leftColumnWidth, toolbarHeight, 1, columnH)));
    const int listX = leftColumnWidth + 1 + listSide;
    sensorList_->setGeometry(QStyle::visualRect(
        dir, whole,
        QRect(listX, toolbarHeight + listInset, std::max(0, w - listSide - listX), std::max(0, columnH - 2 * listInset))));
}

void MainContentView::relayout() {
    layoutBars();
    layoutLeftDoc(leftScroll_->width(), true);
}

void MainContentView::resizeEvent(QResizeEvent*) { relayout(); }

void MainContentView::presetChanged(int segment) {
    if (auto preset = FanPreset::fromRawValue(segment)) ctrl_.setPreset(*preset);
}

void MainContentView::saveClicked() { window()->close(); }

void MainContentView::cancelClicked() {
    ctrl_.setMyLeftRPM(initialLeftRPM_);
    ctrl_.setMyRightRPM(initialRightRPM_);
    ctrl_.setLeftMode(initialLeftMode_);
    ctrl_.setRightMode(initialRightMode_);
    ctrl_.setLeftLadderEnabled(initialLeftLadder_);
    ctrl_.setRightLadderEnabled(initialRightLadder_);
    ctrl_.setLadder2(initialLadder2_);
    ctrl_.setLadder3(initialLadder3_);
    ctrl_.setSustainedMaxOn(initialSustainedMaxOn_);
    ctrl_.setSustainedMinutes(initialSustainedMinutes_);
    window()->close();
}

void MainContentView::openPreferences() {
    if (context_.openPreferences) context_.openPreferences();
}

void MainContentView::enableHelperClicked() {
    auto alert = context_.alert ? context_.alert : [](const std::string& title, const std::string& message) {
        showAlert(title, message);
    };
    if (!context_.runsFromAllowedPath || !context_.runsFromAllowedPath()) {
        alert(installLocationTitle, installLocationMessage);
        return;
    }
    if (!context_.helper) return;
    context_.helper->install([alert](bool ok, const std::string& message) {
        if (!ok) alert(enableFailedTitle, message);
    });
}

}  // namespace ventiq
