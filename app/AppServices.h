#pragma once
#include <memory>

#include "app/QtMainLoop.h"
#include "platform/NotificationCenter.h"

namespace ventiq {

class Environment;
class FanController;
class HelperClient;
class PreferenceStore;
class SMCConnection;

// The real collaborators of the core, built once by the application: Qt's
// loop, the notification centre, the JSON preference store, the SMC device,
// the helper link and the sensors. Must be built on the GUI thread after the
// Qt application object.
class AppServices {
public:
    explicit AppServices(const Environment& environment);
    ~AppServices();
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    MainLoop& loop() { return loop_; }
    NotificationCenter& notifications() { return notifications_; }
    PreferenceStore& preferences() { return *preferences_; }
    HelperClient& helper() { return *helper_; }

    // Built on the first call: the engine loads its settings, reads once,
    // makes its first pass and starts ticking. Installed as FanController::shared().
    FanController& engine();
    bool engineBuilt() const { return engine_ != nullptr; }

private:
    const Environment& environment_;
    QtMainLoop loop_;
    NotificationCenter notifications_;
    std::unique_ptr<PreferenceStore> preferences_;
    std::unique_ptr<SMCConnection> smc_;
    // Only with the test overrides; otherwise the link is HelperClient::shared().
    std::unique_ptr<HelperClient> testHelper_;
    HelperClient* helper_ = nullptr;
    std::unique_ptr<FanController> engine_;
};

}  // namespace ventiq
