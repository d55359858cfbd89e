#include "app/MainWindowSetup.h"

#include <memory>

#include "app/AppServices.h"
#include "app/SettingsWindowSetup.h"
#include "helperlink/HelperClient.h"
#include "sensing/SensorListReader.h"
#include "viewkit/ShowAlert.h"

namespace ventiq {

SensorListReaderFactory machineSensorListReaders(const AppServices::SensorListSources& sources) {
    return [sources] {
        auto reader = std::make_shared<SensorListReader>(sources.smc, sources.hid, sources.model, sources.coreCounts,
                                                         SensorListReader::driveNamesFrom(sources.platform));
        return SensorListRead([reader] { return reader->read(); });
    };
}

MainWindowContext mainWindowContext(AppServices& services) {
    MainWindowContext context;
    context.engine = &services.engine();
    context.helper = &services.helper();
    context.notifications = &services.notifications();
    context.makeSensorReader = machineSensorListReaders(services.sensorListSources());
    HelperClient* helper = &services.helper();
    context.runsFromAllowedPath = [helper] { return helper->runsFromAllowedPath(); };
    context.openPreferences = showSettingsWindow;
    context.alert = [](const std::string& title, const std::string& message) { showAlert(title, message); };
    return context;
}

}  // namespace ventiq
