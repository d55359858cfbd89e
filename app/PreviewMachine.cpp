#include "app/PreviewMachine.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "engine/FanController.h"
#include "engine/FanHelper.h"
#include "helper/FanService.h"
#include "selftest/InProcessHelper.h"
#include "selftest/InlineExecutor.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDTemperatureReading.h"
#include "sensing/HardwareSensorManager.h"
#include "sensing/SensorListReader.h"
#include "settings/L10n.h"
#include "sim/SimMachine.h"
#include "smc/SMCConnection.h"

namespace ventiq {
namespace {

constexpr const char* previewMachine = "m5max";
// Enough work to warm the cores and spin the fans, short of the ladder's
// upper steps and overheat protection.
constexpr double previewLoad = 0.55;

// The machine's HID temperature services, asked directly.
class SimHID final : public HIDTemperatureReading {
public:
    explicit SimHID(sim::SimMachine& machine) : machine_(machine) {}

    std::vector<HIDReading> readAllHID() override {
        std::vector<HIDReading> out;
        const auto reply = nlohmann::json::parse(machine_.handleLine(R"({"op":"hid"})"), nullptr, false);
        if (!reply.is_object() || !reply.contains("services") || !reply["services"].is_array()) return out;
        for (const auto& service : reply["services"]) {
            HIDReading reading;
            reading.product = service.value("product", std::string());
            if (service.contains("temp") && service["temp"].is_number()) reading.temp = service["temp"].get<double>();
            out.push_back(std::move(reading));
        }
        return out;
    }
    int serviceCount() const override { return static_cast<int>(machine_.profile().hid.size()); }

private:
    sim::SimMachine& machine_;
};

// A machine where the helper was never installed: nothing can be sent, and
// the engine waits for the user to enable fan control.
class AbsentHelper final : public FanHelper {
public:
    bool isReady() const override { return false; }
    bool isInstalling() const override { return false; }
    std::string statusText() const override { return L10n::tr("helperNotInstalled"); }
    void refreshState() override {}
    void setFanTarget(int, int, Completion completion) override { completion(false, statusText()); }
    void releaseFan(int, Completion completion) override { completion(false, statusText()); }
    void releaseAll(Completion completion) override { completion(false, statusText()); }
    bool releaseAllBlocking(double) override { return false; }
    bool keepFansOnQuitBlocking(double) override { return false; }
    void heartbeat() override {}
    void install(Completion completion) override { completion(false, statusText()); }
    void uninstall(Completion completion) override { completion(false, statusText()); }
};

CoreCounts coreCounts(const sim::MachineProfile& profile) {
    CoreCounts counts;
    for (const auto& level : profile.perfLevels) counts.byLevel[level.name] = level.physicalCPU;
    return counts;
}

}  // namespace

struct PreviewMachine::Parts {
    sim::SimMachine machine{sim::MachineProfile::load(previewMachine)};
    // The engine, the sensors and the fan service reach the machine's SMC
    // driver by direct calls.
    std::shared_ptr<SMCConnection> smc =
        std::make_shared<SMCConnection>([this](const SMCKeyDataT& in) { return machine.call(in); });
    std::shared_ptr<SimHID> hid = std::make_shared<SimHID>(machine);
    HardwareSensorManager sensors{smc, hid, machine.profile().model, coreCounts(machine.profile())};
    InlineExecutor executor;
    std::unique_ptr<FanService> service;
    std::unique_ptr<FanHelper> helper;
};

PreviewMachine::PreviewMachine(HelperState helper, const std::function<void(PreferenceStore&)>& prepare)
    : parts_(std::make_unique<Parts>()) {
    if (helper == HelperState::ready) {
        parts_->service = std::make_unique<FanService>(*parts_->smc, parts_->executor, [this] { return loop_.now(); },
                                                       [](const std::string&) {});
        parts_->helper = std::make_unique<InProcessHelper>(*parts_->service, loop_);
    } else {
        parts_->helper = std::make_unique<AbsentHelper>();
    }
    helper_ = parts_->helper.get();
    parts_->machine.handleLine(nlohmann::json{{"op", "set"}, {"load", previewLoad}}.dump());
    if (prepare) prepare(settings_);
    engine_ = std::make_unique<FanController>(parts_->smc.get(), *helper_, parts_->sensors, true, settings_, loop_,
                                              notifications_);
}

PreviewMachine::~PreviewMachine() = default;

void PreviewMachine::run(double seconds) {
    constexpr double step = 0.5;
    for (double t = 0; t < seconds; t += step) {
        parts_->machine.advance(step);
        loop_.advanceSeconds(step);
    }
    loop_.runPending();
}

std::function<SensorListSnapshot()> PreviewMachine::makeSensorReader() {
    const sim::MachineProfile& profile = parts_->machine.profile();
    auto reader = std::make_shared<SensorListReader>(parts_->smc, parts_->hid, profile.model, coreCounts(profile),
                                                     [&profile] { return profile.drives; });
    return [reader] { return reader->read(); };
}

}  // namespace ventiq
