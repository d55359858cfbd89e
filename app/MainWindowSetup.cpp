#include "app/MainWindowSetup.h"

#include <memory>

#include "app/AppServices.h"
#include "app/SettingsWindowSetup.h"
#include "helperlink/HelperClient.h"
#include "platform/PlatformServicesClient.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/SensorListReader.h"
#include "sensing/SystemInfo.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"
#include "viewkit/ShowAlert.h"

namespace ventiq {

SensorListReaderFactory machineSensorListReaders() {
    return [] {
        std::shared_ptr<const SMCReading> smc;
        try {
            smc = std::make_shared<SMCConnection>();
        } catch (const SMCError&) {
            // The list then shows what the HID services offer.
        }
        const SystemInfo info = SystemInfo::fromPlatform(PlatformServicesClient());
        auto reader = std::make_shared<SensorListReader>(smc, std::make_shared<HIDThermalClient>(), info.model(),
                                                         CoreCounts::read(info), SensorListReader::defaultDriveNames());
        return SensorListRead([reader] { return reader->read(); });
    };
}

MainWindowContext mainWindowContext(AppServices& services) {
    MainWindowContext context;
    context.engine = &services.engine();
    context.helper = &services.helper();
    context.notifications = &services.notifications();
    context.makeSensorReader = machineSensorListReaders();
    HelperClient* helper = &services.helper();
    context.runsFromAllowedPath = [helper] { return helper->runsFromAllowedPath(); };
    context.openPreferences = showSettingsWindow;
    context.alert = [](const std::string& title, const std::string& message) { showAlert(title, message); };
    return context;
}

}  // namespace ventiq
