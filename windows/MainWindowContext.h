#pragma once
#include <functional>
#include <optional>
#include <string>

#include "sensing/SensorListSnapshot.h"

namespace ventiq {

class FanController;
class FanHelper;
class NotificationCenter;

// One sensor-list reader as a callable; each call is one read. A reader is
// not re-entrant and keeps its probing state, so one callable is used by one
// thread at a time.
using SensorListRead = std::function<SensorListSnapshot()>;
// Builds a fresh reader (its own SMC connection, HID client, model and core
// counts). Called on the GUI thread for the first list and on the sensor
// worker thread for the live refresh.
using SensorListReaderFactory = std::function<SensorListRead()>;

// What the main window and the sensor sheet need from the application. The
// application fills it in once; tests fill it with fakes.
struct MainWindowContext {
    FanController* engine = nullptr;
    // The helper link, for installing the helper.
    FanHelper* helper = nullptr;
    NotificationCenter* notifications = nullptr;
    SensorListReaderFactory makeSensorReader;
    // Whether this copy of the application runs from a path the helper admits.
    std::function<bool()> runsFromAllowedPath;
    // Opens the settings window (the toolbar's gear).
    std::function<void()> openPreferences;
    // A modal alert with one button; the view kit's alert unless replaced.
    std::function<void(const std::string& title, const std::string& message)> alert;
    // The visible height of the screen the window is on (without panels and
    // docks); when unset, the screen's own available geometry is used.
    std::function<std::optional<double>()> screenVisibleHeight;
};

}  // namespace ventiq
