#include "app/PreviewMachine.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/FanController.h"
#include "engine/FanHelper.h"
#include "helper/FanService.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDTemperatureReading.h"
#include "sensing/HardwareSensorManager.h"
#include "sensing/SensorListReader.h"
#include "settings/L10n.h"
#include "sim/SimMachine.h"
#include "smc/FourCC.h"
#include "smc/SMCError.h"
#include "smc/SMCReading.h"

namespace ventiq {
namespace {

constexpr const char* previewMachine = "m5max";
// Enough work to warm the cores and spin the fans, short of the ladder's
// upper steps and overheat protection.
constexpr double previewLoad = 0.55;

// The fan service's queue; in one process on virtual time each task can
// simply run at once.
class InlineExecutor final : public Executor {
public:
    void post(std::function<void()> task) override { task(); }
    void runSync(std::function<void()> task) override { task(); }
};

// The machine's SMC driver, called directly: the key's info first, then the
// read or write with that size, as the driver wants it.
class SimSMC final : public SMCWriting {
public:
    explicit SimSMC(sim::SimMachine& machine) : machine_(machine) {}

    std::optional<SMCValue> readValue(const std::string& key) const override {
        const auto info = keyInfo(key);
        if (!info) return std::nullopt;
        SMCKeyDataT in;
        in.key = fourCC(key);
        in.keyInfo.dataSize = info->dataSize;
        in.data8 = SMCCommand::readKey;
        const SMCKeyDataT out = machine_.call(in);
        if (out.result != SMCResult::success) return std::nullopt;
        return SMCValue{key, fourCCString(info->dataType), out.payload(static_cast<int>(std::min<uint32_t>(info->dataSize, 32)))};
    }

    void writeValue(const std::string& key, const std::vector<uint8_t>& bytes) override {
        const auto info = keyInfo(key);
        if (!info) throw SMCError::smc(key, SMCResult::keyNotFound);
        if (info->dataSize != bytes.size())
            throw SMCError::sizeMismatch(key, info->dataSize, static_cast<uint32_t>(bytes.size()));
        SMCKeyDataT in;
        in.key = fourCC(key);
        in.keyInfo.dataSize = info->dataSize;
        in.data8 = SMCCommand::writeKey;
        in.setPayload(bytes);
        const SMCKeyDataT out = machine_.call(in);
        if (out.result != SMCResult::success) throw SMCError::smc(key, out.result);
    }

private:
    std::optional<SMCKeyInfoDataT> keyInfo(const std::string& key) const {
        SMCKeyDataT in;
        in.key = fourCC(key);
        in.data8 = SMCCommand::keyInfo;
        const SMCKeyDataT out = machine_.call(in);
        if (out.result != SMCResult::success) return std::nullopt;
        return out.keyInfo;
    }

    sim::SimMachine& machine_;
};

// The helper link without the process boundary: requests go straight to the
// helper's fan service, replies reach the engine on its loop as the real link
// delivers them. Installing is not possible from here.
class InProcessHelper final : public FanHelper {
public:
    InProcessHelper(FanService& service, MainLoop& loop) : service_(service), loop_(loop) { service_.clientConnected(); }

    bool isReady() const override { return true; }
    bool isInstalling() const override { return false; }
    std::string statusText() const override { return L10n::tr("helperReady") + " v" + FanService::helperVersion(); }
    void refreshState() override {}
    void setFanTarget(int fan, int rpm, Completion completion) override {
        service_.setFanTarget(fan, rpm, deliver(std::move(completion)));
    }
    void releaseFan(int fan, Completion completion) override { service_.releaseFan(fan, deliver(std::move(completion))); }
    void releaseAll(Completion completion) override { service_.releaseAllFans(deliver(std::move(completion))); }
    bool releaseAllBlocking(double) override {
        bool ok = false;
        service_.releaseAllFans([&ok](bool result, const std::string&) { ok = result; });
        return ok;
    }
    bool keepFansOnQuitBlocking(double) override {
        bool ok = false;
        service_.keepFansOnDisconnect([&ok](bool result) { ok = result; });
        return ok;
    }
    void heartbeat() override { service_.heartbeat([](bool) {}); }
    void install(Completion completion) override { completion(false, std::string()); }
    void uninstall(Completion completion) override { completion(false, std::string()); }

private:
    FanService::Reply deliver(Completion completion) {
        return [this, completion = std::move(completion)](bool ok, const std::string& message) {
            loop_.post([completion, ok, message] { completion(ok, message); });
        };
    }

    FanService& service_;
    MainLoop& loop_;
};

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
    std::shared_ptr<SimSMC> smc = std::make_shared<SimSMC>(machine);
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
