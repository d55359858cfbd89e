#pragma once
#include "windows/MainWindowContext.h"

namespace ventiq {

class AppServices;

// The sensor list reader of the running machine: its own SMC connection
// (none when the device cannot be opened), HID client, model, core counts
// and drive names. Safe to call from the sensor worker thread.
SensorListReaderFactory machineSensorListReaders();

// What the main window needs, over the application's engine, helper link
// and notification centre. Its gear opens the settings window the panel
// opens (showSettingsWindow).
MainWindowContext mainWindowContext(AppServices& services);

}  // namespace ventiq
