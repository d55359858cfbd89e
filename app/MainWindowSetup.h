#pragma once
#include "app/AppServices.h"
#include "windows/MainWindowContext.h"

namespace ventiq {

// Sensor list readers of the running machine over the sources the services
// built; each call is a reader with probing state of its own. Safe to call
// from the sensor worker thread.
SensorListReaderFactory machineSensorListReaders(const AppServices::SensorListSources& sources);

// What the main window needs, over the application's engine, helper link
// and notification centre. Its gear opens the settings window the panel
// opens (showSettingsWindow).
MainWindowContext mainWindowContext(AppServices& services);

}  // namespace ventiq
