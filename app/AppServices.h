#pragma once
#include <memory>

#include "app/QtMainLoop.h"
#include "platform/NotificationCenter.h"

namespace ventiq {

class Environment;
class FanController;
class HardwareSensorManager;
class HelperClient;
class PreferenceStore;
class SMCConnection;

// The real collaborators of the core, built once by the application: Qt's
// loop, the notification centre, the JSON preference store, the SMC device,
// the helper link and the sensors. This is the one place that builds them;
// each is installed behind its shared accessor while these services live, so
// no core object opens a device or reads the environment on its own. Must be
// built on the GUI thread after the Qt application object.
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

    // Built on the first call, together with the temperatures it reads
    // (installed as HardwareSensorManager::shared()): the engine loads its
    // settings, reads once, makes its first pass and starts ticking.
    // Installed as FanController::shared().
    FanController& engine();
    bool engineBuilt() const { return engine_ != nullptr; }

private:
    const Environment& environment_;
    QtMainLoop loop_;
    NotificationCenter notifications_;
    std::unique_ptr<PreferenceStore> preferences_;
    std::unique_ptr<SMCConnection> smc_;
    // Installed as HelperClient::shared().
    std::unique_ptr<HelperClient> helper_;
    std::unique_ptr<HardwareSensorManager> sensors_;
    std::unique_ptr<FanController> engine_;
};

}  // namespace ventiq
