#include "app/AppServices.h"

#include <iostream>

#include "engine/FanController.h"
#include "helperlink/HelperClient.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/JsonPreferenceStore.h"
#include "platform/PlatformServicesClient.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/HardwareSensorManager.h"
#include "sensing/SystemInfo.h"
#include "settings/AppLanguage.h"
#include "settings/TempFormat.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq {
namespace {

// End-to-end tests run the application from the build tree against a helper
// built to admit that path. These two variables let the client's own
// pre-checks agree with that set-up; they widen nothing, because admission is
// decided by the helper from the connecting process's real executable.
constexpr const char* testInstallPathVariable = "VENTIQ_TEST_HELPER_INSTALL_PATH";
constexpr const char* testClientPathVariable = "VENTIQ_TEST_CLIENT_PATH";

std::unique_ptr<PreferenceStore> openPreferences(const Environment& env) {
    if (auto path = JsonPreferenceStore::defaultPath(env)) return std::make_unique<JsonPreferenceStore>(*path);
    std::cerr << "Ventiq: no HOME or XDG_CONFIG_HOME; settings are kept for this run only" << std::endl;
    return std::make_unique<InMemoryPreferenceStore>();
}

// An SMC connection of its own, absent when the device cannot be opened.
std::shared_ptr<const SMCReading> openSMCReading() {
    try {
        return std::make_shared<SMCConnection>();
    } catch (const SMCError&) {
        return nullptr;
    }
}

}  // namespace

AppServices::AppServices(const Environment& environment)
    : environment_(environment), notifications_(loop_), preferences_(openPreferences(environment)) {
    NotificationCenter::setShared(&notifications_);
    PreferenceStore::setStandard(preferences_.get());
    TempFormat::setStore(preferences_.get());
    AppLanguage::setStore(preferences_.get());
    AppLanguage::setEnvironment(&environment_);

    HelperClient::Config config = HelperClient::Config::production(environment_);
    if (const auto installPath = environment_.get(testInstallPathVariable)) config.installPath = *installPath;
    if (const auto clientPath = environment_.get(testClientPathVariable))
        config.executablePath = [path = *clientPath] { return std::optional<std::string>(path); };
    helper_ = std::make_unique<HelperClient>(std::move(config), loop_, notifications_);
    HelperClient::setShared(helper_.get());
}

AppServices::~AppServices() {
    if (engine_) FanController::setShared(nullptr);
    if (sensors_) HardwareSensorManager::setShared(nullptr);
    HelperClient::setShared(nullptr);
    TempFormat::setStore(nullptr);
}

FanController& AppServices::engine() {
    if (engine_) return *engine_;
    try {
        smc_ = std::make_unique<SMCConnection>();
    } catch (const SMCError& error) {
        // The application still runs and shows temperatures; it sees no fans.
        std::cerr << "Ventiq: no SMC (" << error.what() << "); running without fans" << std::endl;
    }
    platform_ = std::make_shared<PlatformServicesClient>();
    const auto info = SystemInfo::fromPlatform(*platform_);
    model_ = info.model();
    coreCounts_ = CoreCounts::read(info);
    // The temperatures keep an SMC connection of their own, apart from the
    // engine's fan readings. Without one they run on HID alone; the CPU
    // figure then comes from the clusters or the die.
    sensors_ = std::make_unique<HardwareSensorManager>(openSMCReading(), std::make_shared<HIDThermalClient>(), model_,
                                                       coreCounts_);
    HardwareSensorManager::setShared(sensors_.get());
    engine_ = std::make_unique<FanController>(smc_.get(), *helper_, *sensors_, true, *preferences_, loop_,
                                              notifications_);
    FanController::setShared(engine_.get());
    return *engine_;
}

const AppServices::SensorListSources& AppServices::sensorListSources() {
    if (sensorList_) return *sensorList_;
    engine();
    // Without the SMC the list shows what the HID services offer.
    sensorList_ = SensorListSources{openSMCReading(), std::make_shared<HIDThermalClient>(), platform_, model_,
                                    coreCounts_};
    return *sensorList_;
}

}  // namespace ventiq
