#include "app/AppServices.h"

#include <iostream>

#include "engine/FanController.h"
#include "helperlink/HelperClient.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/JsonPreferenceStore.h"
#include "sensing/HardwareSensorManager.h"
#include "settings/AppLanguage.h"
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

}  // namespace

AppServices::AppServices(const Environment& environment)
    : environment_(environment), notifications_(loop_), preferences_(openPreferences(environment)) {
    NotificationCenter::setShared(&notifications_);
    PreferenceStore::setStandard(preferences_.get());
    AppLanguage::setStore(preferences_.get());
    AppLanguage::setEnvironment(&environment_);

    const auto installPath = environment_.get(testInstallPathVariable);
    const auto clientPath = environment_.get(testClientPathVariable);
    if (installPath || clientPath) {
        HelperClient::Config config = HelperClient::Config::production(environment_);
        if (installPath) config.installPath = *installPath;
        if (clientPath) config.executablePath = [path = *clientPath] { return std::optional<std::string>(path); };
        testHelper_ = std::make_unique<HelperClient>(std::move(config), loop_, notifications_);
        helper_ = testHelper_.get();
    } else {
        HelperClient::setSharedContext(loop_, notifications_);
        helper_ = &HelperClient::shared();
    }
}

AppServices::~AppServices() {
    if (engine_) FanController::setShared(nullptr);
}

FanController& AppServices::engine() {
    if (engine_) return *engine_;
    try {
        smc_ = std::make_unique<SMCConnection>();
    } catch (const SMCError& error) {
        // The application still runs and shows temperatures; it sees no fans.
        std::cerr << "Ventiq: no SMC (" << error.what() << "); running without fans" << std::endl;
    }
    engine_ = std::make_unique<FanController>(smc_.get(), *helper_, HardwareSensorManager::shared(), true,
                                              *preferences_, loop_, notifications_);
    FanController::setShared(engine_.get());
    return *engine_;
}

}  // namespace ventiq
