#pragma once
#include <functional>
#include <memory>

#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "sensing/SensorListSnapshot.h"

namespace ventiq {

class FanController;
class FanHelper;
class MainLoop;
class PreferenceStore;

// A whole simulated M5 Max inside this process, for the preview modes: the
// machine's physics, its SMC driver and HID services reached by direct
// calls, the helper's fan service behind an in-process link, and an engine
// over them on virtual time with settings of its own. Nothing here touches a
// socket, a preference file or the installed helper.
class PreviewMachine {
public:
    enum class HelperState {
        // The fan service answers: the engine drives the fans.
        ready,
        // No helper: fan control waits for it to be installed.
        notInstalled,
    };

    // prepare fills the settings before the engine loads them.
    PreviewMachine(HelperState helper, const std::function<void(PreferenceStore&)>& prepare);
    ~PreviewMachine();
    PreviewMachine(const PreviewMachine&) = delete;
    PreviewMachine& operator=(const PreviewMachine&) = delete;

    FanController& engine() { return *engine_; }
    FanHelper& helper() { return *helper_; }
    NotificationCenter& notifications() { return notifications_; }
    PreferenceStore& settings() { return settings_; }

    // Lets the machine and the engine run for simulated seconds, one engine
    // tick per refresh interval, under a steady load.
    void run(double seconds);

    // A fresh reader of the full sensor list, as the main window builds one
    // for each thread that reads it; the machine answers from any thread.
    std::function<SensorListSnapshot()> makeSensorReader();
    MainLoop& loop() { return loop_; }

private:
    struct Parts;

    ManualLoop loop_;
    NotificationCenter notifications_{loop_};
    InMemoryPreferenceStore settings_;
    std::unique_ptr<Parts> parts_;
    FanHelper* helper_ = nullptr;
    std::unique_ptr<FanController> engine_;
};

}  // namespace ventiq
