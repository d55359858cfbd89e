#include "windows/PreferencesWindowController.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

#include "engine/FanController.h"
#include "settings/L10n.h"
#include "settings/SettingsStyle.h"
#include "settings/UIScale.h"
#include "settings/VentiqPrefs.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "viewkit/ShowAlert.h"
#include "viewkit/ViewHelpers.h"
#include "windows/MenuBarPreviewView.h"
#include "windows/PrefTabButton.h"
#include "windows/controls/ScaledActionButton.h"

namespace ventiq {

namespace {

struct Tab {
    const char* symbol;
    const char* titleKey;
};
constexpr Tab tabs[PreferencesWindowController::pageCount] = {
    {"gearshape", "prefTabGeneral"},
    {"menubar.rectangle", "prefTabMenuBar"},
    {"slider.horizontal.3", "preset"},
    {"info.circle", "prefTabAbout"},
};

QString ui(const char* key) { return QString::fromStdString(L10n::tr(key)); }

// A plain area filled with one colour; the window's root is also dragged by it.
class FilledView : public QWidget {
public:
    FilledView(Rgba colour, bool dragsWindow) : colour_(colour), dragsWindow_(dragsWindow) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), qcolor(colour_)); }
    void mousePressEvent(QMouseEvent* e) override {
        if (dragsWindow_ && e->button() == Qt::LeftButton && window()->windowHandle()) {
            window()->windowHandle()->startSystemMove();
            return;
        }
        QWidget::mousePressEvent(e);
    }

private:
    Rgba colour_;
    bool dragsWindow_;
};

PreferencesWindowContext& installedContext() {
    static PreferencesWindowContext context;
    return context;
}

std::unique_ptr<PreferencesWindowController>& instance() {
    static std::unique_ptr<PreferencesWindowController> controller;
    return controller;
}

// Takes every widget out of the layout and deletes it once control is back in
// the event loop, since the call may come from a handler of a widget inside.
void discardAll(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->setParent(nullptr);
            w->deleteLater();
        }
        delete item;
    }
}

QString windowTitle() { return ui("preferences").remove(QStringLiteral("…")); }

}  // namespace

PreferencesWindowController::PreferencesWindowController(const PreferencesWindowContext& context)
    : context_(context) {
    UIScale::refreshWindow(screenHeight());
    window_ = std::make_unique<FilledView>(Palette::windowBg, true);
    window_->setWindowTitle(windowTitle());
    window_->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window_->resize(static_cast<int>(std::ceil(wz(640))), static_cast<int>(std::ceil(wz(560))));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildUI();

    if (context_.notifications) {
        // The token goes with the controller, so the observer never outlives it.
        dataObserver_ = context_.notifications->addObserver(Notifications::dataUpdated, [this] { refreshLive(); });
    }
}

PreferencesWindowController::~PreferencesWindowController() = default;

void PreferencesWindowController::setContext(const PreferencesWindowContext& context) { installedContext() = context; }

PreferencesWindowController* PreferencesWindowController::shared() { return instance().get(); }

void PreferencesWindowController::show(std::optional<int> tab) {
    auto& controller = instance();
    if (!controller) controller = std::make_unique<PreferencesWindowController>(installedContext());
    if (tab) controller->selectTab(*tab);
    QWidget* w = controller->window();
    w->show();
    w->raise();
    w->activateWindow();
}

void PreferencesWindowController::rebuildIfOpen() {
    if (auto& controller = instance()) controller->buildUI();
}

double PreferencesWindowController::barHeight() { return wz(52) + 32 + wz(4); }

std::optional<double> PreferencesWindowController::screenHeight() const {
    if (context_.screenVisibleHeight) return context_.screenVisibleHeight();
    const QScreen* screen = window_ && window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return screen->availableGeometry().height();
}

VentiqPrefs PreferencesWindowController::prefs() const { return context_.engine->prefs(); }

void PreferencesWindowController::alert(const std::string& title, const std::string& message) const {
    if (context_.alert)
        context_.alert(title, message);
    else
        showAlert(title, message);
}

void PreferencesWindowController::postDataUpdated() {
    if (context_.notifications) context_.notifications->post(Notifications::dataUpdated);
}

void PreferencesWindowController::buildUI() {
    UIScale::refreshWindow(screenHeight());
    window_->setWindowTitle(windowTitle());

    // Each page once, only to learn how wide the widest one wants to be.
    double widest = wz(640);
    for (int id = 0; id < pageCount; ++id) {
        std::unique_ptr<QWidget> probe(makePage(id));
        widest = std::max(widest, static_cast<double>(probe->sizeHint().width()));
    }
    clearLiveReferences();
    contentWidth_ = std::ceil(widest);

    QLayout* layout = window_->layout();
    discardAll(layout);
    auto* root = new QWidget;
    root->setFixedWidth(static_cast<int>(contentWidth_));
    auto* rootLayout = new QVBoxLayout(root);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    rootLayout->setSpacing(0);

    tabBar_ = new FilledView(Palette::cardBg, true);
    tabBar_->setFixedHeight(static_cast<int>(std::ceil(barHeight())));
    auto* barLayout = new QVBoxLayout(tabBar_);
    barLayout->setContentsMargins(0, 32, 0, 0);
    barLayout->setSpacing(0);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(static_cast<int>(std::lround(wz(4))));
    buttons->addStretch(1);
    tabButtons_.clear();
    for (int k = 0; k < pageCount; ++k) {
        auto* button = new PrefTabButton(tabs[k].symbol, ui(tabs[k].titleKey));
        button->onClick = [this, k] { selectTab(k); };
        buttons->addWidget(button);
        tabButtons_.push_back(button);
    }
    buttons->addStretch(1);
    barLayout->addLayout(buttons);
    barLayout->addStretch(1);
    barLayout->addWidget(makeHairline());
    rootLayout->addWidget(tabBar_);

    contentArea_ = new FilledView(Palette::windowBg, true);
    auto* contentLayout = new QVBoxLayout(contentArea_);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    rootLayout->addWidget(contentArea_, 1);

    layout->addWidget(root);
    selectTab(currentTab_);
    applyLayoutDirection(root);

    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen())
            window_->move(screen->availableGeometry().center() - window_->rect().center());
    }
}

QWidget* PreferencesWindowController::makePage(int id) {
    switch (id) {
    case 1:
        return makeMenuBarPage();
    case 2:
        return makePresetPage();
    case 3:
        return makeAboutPage();
    default:
        return makeGeneralPage();
    }
}

QWidget* PreferencesWindowController::page() const {
    if (!contentArea_ || !contentArea_->layout() || contentArea_->layout()->count() == 0) return nullptr;
    return contentArea_->layout()->itemAt(0)->widget();
}

void PreferencesWindowController::clearLiveReferences() {
    helperStatusLabel_ = nullptr;
    helperButton_ = nullptr;
    fontSlider_ = nullptr;
    fontPercentLabel_ = nullptr;
    fontNoteLabel_ = nullptr;
    fontSampleView_ = nullptr;
    previewView_ = nullptr;
    mySettingsValueLabel_ = nullptr;
    timeoutCheck_ = nullptr;
    timeoutPopUp_ = nullptr;
}

void PreferencesWindowController::selectTab(int position) {
    currentTab_ = std::clamp(position, 0, pageCount - 1);
    for (int k = 0; k < static_cast<int>(tabButtons_.size()); ++k) tabButtons_[k]->setSelected(k == currentTab_);

    QLayout* layout = contentArea_->layout();
    discardAll(layout);
    clearLiveReferences();

    QWidget* page = makePage(currentTab_);
    layout->addWidget(page);
    applyLayoutDirection(page);
    // The live texts go in before the page is measured: the helper's status
    // can take a line of its own, and a page measured without it comes out a
    // point short, which the layout takes from the text-size sample's frame.
    refreshLive();
    const int width = static_cast<int>(contentWidth_);
    fitWindow(page->hasHeightForWidth() ? page->heightForWidth(width) : page->sizeHint().height());
}

void PreferencesWindowController::fitWindow(double pageHeight) {
    double height = std::ceil(std::ceil(pageHeight) + barHeight());
    // Never taller than the screen can show.
    if (const auto screen = screenHeight()) height = std::min(height, std::max(*screen, 1.0));
    // Resizing keeps the window's top-left corner, so it grows and shrinks downwards.
    window_->setFixedSize(static_cast<int>(contentWidth_), static_cast<int>(height));
    window_->layout()->activate();
}

void PreferencesWindowController::refreshLive() {
    FanController& ctrl = *context_.engine;
    if (helperStatusLabel_) helperStatusLabel_->setText(QString::fromStdString(ctrl.helperStatusText()));
    if (helperButton_) {
        helperButton_->setLabel(ui(ctrl.helperReady() ? "disableFanControl" : "enableFanControl"));
        helperButton_->setEnabled(!ctrl.helperInstalling());
    }
    if (mySettingsValueLabel_) {
        mySettingsValueLabel_->setText(QString::fromStdString(L10n::tr(
            "prefMyValues", {{"l", std::to_string(ctrl.myLeftRPM())}, {"r", std::to_string(ctrl.myRightRPM())}})));
    }
    if (previewView_) {
        const VentiqPrefs p = prefs();
        const auto options = MenuBarRenderer::options(p, ctrl.temperature(p.menuBarTempSource()), true);
        const double dpr = std::max(2.0, previewView_->devicePixelRatioF());
        const auto image = MenuBarRenderer::render(ctrl.currentLeftRPM(), ctrl.currentRightRPM(), options, dpr);
        previewView_->show(image.image, image.width, image.isTemplate);
    }
}

}  // namespace ventiq
