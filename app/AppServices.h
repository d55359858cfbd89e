#pragma once
#include <memory>
#include <optional>
#include <string>

#include "app/QtMainLoop.h"
#include "platform/NotificationCenter.h"
#include "sensing/CoreCounts.h"

namespace ventiq {

class Environment;
class FanController;
class HIDTemperatureReading;
class HardwareSensorManager;
class HelperClient;
class PlatformServicesClient;
class PreferenceStore;
class SMCConnection;
class SMCReading;

// The real collaborators of the core, built once by the application: Qt's
// loop, the notification centre, the JSON preference store, the SMC device,
// the helper link and the sensors. This is the one place that builds them;
// each is installed behind its shared accessor while these services live, so
// no core object opens a device or reads the environment on its own. Must be
// built on the GUI thread after the Qt application object.
class AppServices {
public:
    // What the main window's sensor list reads the machine through. Its
    // readers run on the GUI thread and on the sensor worker thread at once:
    // the SMC connection and the platform client take one call at a time, and
    // the HID client keeps nothing between calls but the service list it took
    // when built, so all of it may be shared between them.
    struct SensorListSources {
        // A connection of the list's own (absent without the device), so that
        // probing every key of the machine never holds up the engine's readings.
        std::shared_ptr<const SMCReading> smc;
        std::shared_ptr<HIDTemperatureReading> hid;
        // Asked for the names of the internal drives.
        std::shared_ptr<const PlatformServicesClient> platform;
        std::string model;
        CoreCounts coreCounts;
    };

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

    // Built on the first call, with the engine if it is not built yet; the
    // machine's model and core counts are the ones the engine's sensors use.
    // Call it on the GUI thread.
    const SensorListSources& sensorListSources();

private:
    const Environment& environment_;
    QtMainLoop loop_;
    NotificationCenter notifications_;
    std::unique_ptr<PreferenceStore> preferences_;
    std::unique_ptr<SMCConnection> smc_;
    std::shared_ptr<PlatformServicesClient> platform_;
    std::string model_;
    CoreCounts coreCounts_;
    // Installed as HelperClient::shared().
    std::unique_ptr<HelperClient> helper_;
    std::unique_ptr<HardwareSensorManager> sensors_;
    std::unique_ptr<FanController> engine_;
    std::optional<SensorListSources> sensorList_;
};

}  // namespace ventiq
