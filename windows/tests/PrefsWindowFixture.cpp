#include "windows/tests/PrefsWindowFixture.h"

#include "settings/PrefKeys.h"
#include "viewkit/tests/QtTestApp.h"

namespace ventiq {

void PrefsWindowTest::SetUp() {
    testing::qtTestApp();
    EngineTest::SetUp();
    PreferenceStore::setStandard(&store);
    UIScale::setStore(&store);
    UIScale::setNotificationCenter(&center);
    setScale(100);
    markStarted();
    start();
    loginItem = std::make_unique<LoginItem>(
        std::filesystem::path(configHome.path().toStdString()) / "autostart" / "com.quillmoor.ventiq.desktop",
        "/usr/bin/Ventiq");
    context.engine = engine.get();
    context.notifications = &center;
    context.loginItem = loginItem.get();
    context.alert = [this](const std::string& title, const std::string& message) { alerts.push_back({title, message}); };
    context.screenVisibleHeight = [this] { return screenHeight; };
    context.bundle = BundleInfo{"1.1.0", "42", "© Quillmoor"};
    // What the application does on these notifications.
    languageToken = center.addObserver(Notifications::languageChanged, [this] {
        ++languageChanges;
        if (window) window->buildUI(), ++rebuilds;
    });
    scaleToken = center.addObserver(Notifications::fontScaleChanged, [this] {
        if (window) window->buildUI(), ++rebuilds;
    });
}

void PrefsWindowTest::TearDown() {
    window.reset();
    QApplication::processEvents();
    languageToken.reset();
    scaleToken.reset();
    UIScale::setNotificationCenter(nullptr);
    UIScale::setStore(nullptr);
    PreferenceStore::setStandard(nullptr);
    EngineTest::TearDown();
}

PreferencesWindowController& PrefsWindowTest::make() {
    window = std::make_unique<PreferencesWindowController>(context);
    return *window;
}

void PrefsWindowTest::setScale(int percent) {
    store.setInteger(UIScale::defaultsKey, percent);
    UIScale::refreshWindow(screenHeight);
}

void PrefsWindowTest::settleAll() {
    loop.runPending();
    settle();
    loop.runPending();
    QApplication::processEvents();
}

}  // namespace ventiq
