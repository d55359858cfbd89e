#include "windows/SensorControlSheetController.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "engine/FanController.h"
#include "settings/AppLanguage.h"
#include "settings/L10n.h"
#include "viewkit/Fonts.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ViewHelpers.h"
#include "windows/SegmentedControl.h"
#include "windows/SensorGraphPreviewView.h"
#include "windows/WindowStyle.h"

namespace ventiq {

namespace {

QString l10n(const char* key) { return QString::fromStdString(L10n::tr(key)); }

SensorControlSheetController* currentSheet = nullptr;

constexpr int side = 20;
constexpr int fieldX = 142;

// A whole number written with ASCII digits only: no sign, no decimals, no
// exponent, no other script's digits. Values too long to be a temperature
// are refused before they could overflow.
std::optional<int> wholeNumber(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

QString wholeDegrees(double t) {
    if (!std::isfinite(t)) return QString();
    return QString::number(static_cast<long long>(std::trunc(std::clamp(t, -1e9, 1e9))));
}

void styleSheetWindow(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, qcolor(Palette::cardBg));
    palette.setColor(QPalette::WindowText, qcolor(Palette::text));
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

}  // namespace

SensorControlSheetController* SensorControlSheetController::current() { return currentSheet; }

SensorControlSheetController* SensorControlSheetController::show(FanController& ctrl, bool isLeft, QWidget* parentWindow) {
    if (currentSheet) {
        currentSheet->raise();
        currentSheet->activateWindow();
        return currentSheet;
    }
    const bool onParent = parentWindow && parentWindow->isVisible();
    auto* sheet = new SensorControlSheetController(ctrl, isLeft, onParent ? parentWindow : nullptr);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    currentSheet = sheet;
    if (onParent) {
        sheet->setWindowModality(Qt::WindowModal);
        sheet->QDialog::show();
        // Centred over the window it belongs to, like an attached sheet.
        const QRect parentFrame = parentWindow->frameGeometry();
        sheet->move(parentFrame.center().x() - sheet->width() / 2, parentFrame.top() + 40);
    } else {
        sheet->QDialog::show();
        sheet->raise();
        sheet->activateWindow();
    }
    return sheet;
}

SensorControlSheetController::SensorControlSheetController(FanController& ctrl, bool isLeft, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ctrl_(ctrl), isLeft_(isLeft) {
    setFixedSize(sheetWidth, sheetHeight);
    setWindowTitle(l10n(isLeft ? "leftFan" : "rightFan"));
    styleSheetWindow(this);

    titleLabel_ = makeLabel(l10n(isLeft ? "leftFan" : "rightFan") + QStringLiteral(" · ") + l10n("sheetControlMode"), 15,
                            QFont::DemiBold);
    titleLabel_->setParent(this);

    modeSegment_ = new SegmentedControl({l10n("autoShort"), l10n("constantRPM"), l10n("sensorBased")}, 260, 24, this);
    modeSegment_->setSelectedSegment(FanMode(FanMode::sensor).rawValue());
    modeSegment_->onSelect = [this](int segment) { modeChanged(segment); };

    sensorLabel_ = makeLabel(l10n("sheetRefSensor"), 13);
    sensorLabel_->setParent(this);
    sensorPopUp_ = new QComboBox(this);
    for (SensorSource source : SensorSource::allCases()) sensorPopUp_->addItem(l10n(source.titleKey()));
    sensorPopUp_->setCurrentIndex(ctrl.sensorSource().rawValue());
    sensorPopUp_->setFont(systemFont(13, QFont::Normal));
    styleComboBox(sensorPopUp_);

    startLabel_ = makeLabel(l10n("sheetStartRamp"), 13);
    startLabel_->setParent(this);
    startBox_ = new FieldBox(wholeDegrees(ctrl.sensorStartTemp()), 64);
    startBox_->setParent(this);
    startUnit_ = makeLabel(l10n("sheetStartUnit"), 13, QFont::Normal, Palette::secondary);
    startUnit_->setParent(this);

    fullLabel_ = makeLabel(l10n("sheetReachFull"), 13);
    fullLabel_->setParent(this);
    maxBox_ = new FieldBox(wholeDegrees(ctrl.sensorMaxTemp()), 64);
    maxBox_->setParent(this);
    fullUnit_ = makeLabel(l10n("sheetFullUnit"), 13, QFont::Normal, Palette::secondary);
    fullUnit_->setParent(this);

    curveView_ = new SensorGraphPreviewView(this);
    errorLabel_ = makeLabel(l10n("sheetError"), 12, QFont::Normal, Rgba{255, 107, 107});
    errorLabel_->setParent(this);
    errorLabel_->setWordWrap(true);
    errorLabel_->hide();

    applyButton_ = makeActionButton(l10n("sheetApply"), true);
    applyButton_->setParent(this);
    applyButton_->setDefault(true);
    applyButton_->setAutoDefault(true);
    cancelButton_ = makeActionButton(l10n("sheetCancel"), false);
    cancelButton_->setParent(this);
    cancelButton_->setAutoDefault(false);
    QObject::connect(applyButton_, &QPushButton::clicked, this, [this] { apply(); });
    QObject::connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
    for (FieldBox* box : {startBox_, maxBox_})
        QObject::connect(box->field(), &QLineEdit::textChanged, this, [this] { textChanged(); });

    layoutContent();
    textChanged();
    applyLayoutDirection(this);
    // The curve and the numbers read left to right in every language.
    curveView_->setLayoutDirection(Qt::LeftToRight);
}

SensorControlSheetController::~SensorControlSheetController() {
    if (currentSheet == this) currentSheet = nullptr;
}

std::optional<std::pair<int, int>> SensorControlSheetController::parsedTemps(const QString& startText,
                                                                             const QString& fullText) {
    const std::optional<int> start = wholeNumber(startText);
    const std::optional<int> full = wholeNumber(fullText);
    if (!start || !full) return std::nullopt;
    auto inRange = [](int t) { return t >= lowestTemp && t <= highestTemp; };
    if (!inRange(*start) || !inRange(*full) || *start >= *full) return std::nullopt;
    return std::make_pair(*start, *full);
}

std::optional<std::pair<int, int>> SensorControlSheetController::parsedTemps() const {
    return parsedTemps(startBox_->field()->text(), maxBox_->field()->text());
}

void SensorControlSheetController::showError(bool shown) { errorLabel_->setVisible(shown); }

void SensorControlSheetController::textChanged() {
    if (auto temps = parsedTemps()) {
        curveView_->setStartTemp(temps->first);
        curveView_->setFullTemp(temps->second);
        showError(false);
    } else {
        showError(true);
    }
}

void SensorControlSheetController::modeChanged(int segment) {
    auto mode = FanMode::fromRawValue(segment);
    if (!mode || *mode == FanMode::sensor) return;
    if (isLeft_) ctrl_.setLeftMode(*mode);
    else ctrl_.setRightMode(*mode);
    if (ctrl_.preset() != FanPreset::mySettings) ctrl_.setPreset(FanPreset::mySettings);
    finish();
}

void SensorControlSheetController::apply() {
    const auto temps = parsedTemps();
    if (!temps) {
        showError(true);
        QApplication::beep();
        return;
    }
    if (auto source = SensorSource::fromRawValue(sensorPopUp_->currentIndex())) ctrl_.setSensorSource(*source);
    ctrl_.setSensorStartTemp(temps->first);
    ctrl_.setSensorMaxTemp(temps->second);
    if (isLeft_) ctrl_.setLeftMode(FanMode::sensor);
    else ctrl_.setRightMode(FanMode::sensor);
    if (ctrl_.preset() != FanPreset::mySettings) ctrl_.setPreset(FanPreset::mySettings);
    finish();
}

void SensorControlSheetController::cancel() { finish(); }

void SensorControlSheetController::reject() { finish(); }

void SensorControlSheetController::finish() {
    if (currentSheet == this) currentSheet = nullptr;
    QDialog::done(QDialog::Rejected);
    close();
}

void SensorControlSheetController::layoutContent() {
    const Qt::LayoutDirection dir = AppLanguage::isRTL() ? Qt::RightToLeft : Qt::LeftToRight;
    const QRect area = rect();
    auto place = [&](QWidget* view, QRect logical) { view->setGeometry(QStyle::visualRect(dir, area, logical)); };
    auto sized = [](QWidget* view) { return view->sizeHint(); };
    const int w = width();

    const QSize title = sized(titleLabel_);
    place(titleLabel_, QRect(side, 20, std::min(title.width(), w - 2 * side), title.height()));
    const int segTop = 20 + title.height() + 16;
    place(modeSegment_, QRect(side, segTop, modeSegment_->width(), modeSegment_->height()));

    auto rowLabel = [&](QLabel* label, int centreY) {
        const QSize s = sized(label);
        place(label, QRect(side, centreY - s.height() / 2, std::min(s.width(), fieldX - side - 4), s.height()));
    };
    const int popTop = segTop + modeSegment_->height() + 16;
    place(sensorPopUp_, QRect(fieldX, popTop, w - side - fieldX, 28));
    rowLabel(sensorLabel_, popTop + 14);

    auto fieldRow = [&](QLabel* label, FieldBox* box, QLabel* unit, int top) {
        place(box, QRect(fieldX, top, 64, 28));
        rowLabel(label, top + 14);
        const QSize u = sized(unit);
        const int unitX = fieldX + 64 + 8;
        place(unit, QRect(unitX, top + 14 - u.height() / 2, std::min(u.width(), w - side - unitX), u.height()));
    };
    const int startTop = popTop + 28 + 12;
    fieldRow(startLabel_, startBox_, startUnit_, startTop);
    const int maxTop = startTop + 28 + 12;
    fieldRow(fullLabel_, maxBox_, fullUnit_, maxTop);

    const int curveTop = maxTop + 28 + 16;
    place(curveView_, QRect(side, curveTop, 400, 120));
    const int errorTop = curveTop + 120 + 8;
    place(errorLabel_, QRect(side, errorTop, w - 2 * side, errorLabel_->heightForWidth(w - 2 * side)));

    const QSize apply = applyButton_->sizeHint().expandedTo(applyButton_->minimumSize());
    const QSize cancelSize = cancelButton_->sizeHint().expandedTo(cancelButton_->minimumSize());
    const QRect applyRect(w - side - apply.width(), height() - side - 28, apply.width(), 28);
    place(applyButton_, applyRect);
    place(cancelButton_, QRect(applyRect.left() - 8 - cancelSize.width(), applyRect.top(), cancelSize.width(), 28));
}

}  // namespace ventiq
