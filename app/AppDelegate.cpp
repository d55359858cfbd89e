#include "app/AppDelegate.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/AppServices.h"
#include "app/WakeObserver.h"
#include "engine/FanController.h"
#include "settings/UIScale.h"

namespace ventiq {
namespace {

std::optional<double> primaryScreenHeight() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::nullopt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return screen->availableGeometry().height();
}

}  // namespace

AppDelegate::AppDelegate(AppServices& services, SurfaceFactory makeSurfaces)
    : services_(services), makeSurfaces_(std::move(makeSurfaces)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    UIScale::refreshPanel(primaryScreenHeight());

    FanController& engine = services_.engine();
    if (makeSurfaces_) surfaces_ = makeSurfaces_(engine);

    wake_ = std::make_unique<WakeObserver>([&engine] { engine.onWake(); });

    // The observers go through surfaces_, which the delegate owns and which
    // lives as long as the tokens; they never outlive the delegate.
    languageObserver_ = services_.notifications().addObserver(Notifications::languageChanged, [this] {
        if (!surfaces_) return;
        surfaces_->rebuildPanel();
        surfaces_->rebuildMainWindowIfOpen();
        surfaces_->rebuildSettingsWindowIfOpen();
    });
    scaleObserver_ = services_.notifications().addObserver(Notifications::fontScaleChanged, [this] {
        if (!surfaces_) return;
        surfaces_->rebuildPanel();
        surfaces_->rebuildSettingsWindowIfOpen();
    });
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_ || !services_.engineBuilt()) return;
    terminated_ = true;
    services_.engine().shutdown();
}

}  // namespace ventiq
