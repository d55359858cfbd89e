#include "selftest/SelfTest.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/FanController.h"
#include "helper/FanService.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "selftest/InProcessHelper.h"
#include "selftest/InlineExecutor.h"
#include "sensing/CoreCounts.h"
#include "sensing/HardwareSensorManager.h"
#include "sensing/TemperatureSource.h"
#include "sim/SimMachine.h"
#include "smc/SMCConnection.h"

namespace ventiq {
namespace {

// The checks hold the CPU at chosen temperatures, because the ladder and
// protection thresholds are what they check; the simulated machine's own
// temperatures drift with its physics.
class SetTemperature final : public TemperatureSource {
public:
    TempSnapshot read() override {
        TempSnapshot s;
        s.cpuMax = cpu;
        s.cpuAvg = cpu;
        return s;
    }
    std::optional<double> cpu = 50.0;
};

// One simulated two-fan machine with the helper's fan service and the
// engine, fresh for every check. The engine and the service both reach the
// machine through an SMC connection whose driver is the machine itself.
struct Rig {
    ManualLoop loop;
    NotificationCenter notifications{loop};
    InMemoryPreferenceStore defaults;
    sim::SimMachine machine{sim::MachineProfile::load("m5max")};
    int writeCalls = 0;
    SMCConnection smc{[this](const SMCKeyDataT& in) {
        if (in.data8 == SMCCommand::writeKey) ++writeCalls;
        return machine.call(in);
    }};
    InlineExecutor executor;
    FanService service{smc, executor, [this] { return loop.now(); }, [](const std::string&) {}};
    InProcessHelper helper{service, loop};
    SetTemperature temps;
    std::unique_ptr<FanController> engine;

    explicit Rig(const std::function<void(PreferenceStore&)>& prepare = {}) {
        if (prepare) prepare(defaults);
        engine = std::make_unique<FanController>(&smc, helper, temps, false, defaults, loop, notifications);
        settle();
    }

    // The machine's physics and the engine's clock move together.
    void advance(double seconds) {
        machine.advance(seconds);
        loop.advanceSeconds(seconds);
    }
    // Lets the deferred pass of the last change run.
    void settle() { advance(0.3); }
    void tick(double secondsBefore = 2.0) {
        advance(secondsBefore);
        engine->tick();
        loop.runPending();
    }
    bool forced(int fan) const { return smc.readU8(fanKey(fan, "md")).value_or(0) == 1; }
    int target(int fan) const { return static_cast<int>(smc.readFloat(fanKey(fan, "Tg")).value_or(-1)); }
    ControlState::Kind state() const { return engine->controlState().kind(); }
};

struct Check {
    const char* name;
    std::function<std::string()> run;  // empty when the check holds, else what went wrong
};

std::string expect(bool holds, const std::string& what) { return holds ? std::string() : what; }

std::string describe(const Rig& r) {
    return "state " + std::string(r.state() == ControlState::Kind::active ? "active" : "not active") + ", fan 0 " +
           (r.forced(0) ? "forced " : "automatic ") + std::to_string(r.target(0)) + ", fan 1 " +
           (r.forced(1) ? "forced " : "automatic ") + std::to_string(r.target(1));
}

void customLadder(PreferenceStore& d) {
    d.setFlag("VentiqRealControlV1", true);
    d.setInteger("VentiqPreset", FanPreset::mySettings);
    d.setInteger("VentiqMyLeftRPM", 2000);
    d.setInteger("VentiqMyRightRPM", 2100);
    d.setFlag("VentiqLadder2On", true);
    d.setFlag("VentiqLadder3On", true);
}

const std::vector<Check>& checks() {
    static const std::vector<Check> all{
        {"full speed holds both fans at their maximum",
         [] {
             Rig r;
             r.engine->setPreset(FanPreset::fullSpeed);
             r.settle();
             r.tick();
             return expect(r.forced(0) && r.forced(1) && r.target(0) == 5349 && r.target(1) == 5777 &&
                               r.state() == ControlState::Kind::active,
                           describe(r));
         }},
        {"automatic hands every held fan back",
         [] {
             Rig r;
             r.engine->setPreset(FanPreset::fullSpeed);
             r.settle();
             r.engine->setPreset(FanPreset::auto_);
             r.settle();
             r.tick();
             return expect(!r.forced(0) && !r.forced(1) && r.state() == ControlState::Kind::system, describe(r));
         }},
        {"a fixed speed is clamped into the fan's range",
         [] {
             Rig r;
             r.tick();
             r.engine->setFanFixedRPM(0, 9000);
             r.engine->setFanFixedRPM(1, 100);
             r.settle();
             return expect(r.target(0) == 5349 && r.target(1) == 1350 && r.forced(0) && r.forced(1), describe(r));
         }},
        {"the ladder raises the fixed speeds at 65 and 70 degrees and steps down with hysteresis",
         [] {
             Rig r(customLadder);
             std::string seen;
             for (double t : {60.0, 66.0, 71.0, 68.0, 66.0}) {
                 r.temps.cpu = t;
                 r.tick();
                 seen += std::to_string(r.engine->ladderTier()) + ":" + std::to_string(r.target(0)) + " ";
             }
             return expect(seen == "1:2000 2:3300 3:4000 3:4000 2:3300 ", "tiers and left targets " + seen);
         }},
        {"overheat protection drives the fans to maximum from 92 degrees until below 88",
         [] {
             Rig r(customLadder);
             std::string seen;
             for (double t : {91.0, 92.0, 89.0, 87.5}) {
                 r.temps.cpu = t;
                 r.tick();
                 seen += std::string(r.engine->protectionActive() ? "on:" : "off:") + std::to_string(r.target(1)) + " ";
             }
             return expect(seen == "off:4100 on:5777 on:5777 off:4100 ", "protection and right targets " + seen);
         }},
        {"a missing temperature leaves the ladder and protection as they were",
         [] {
             Rig r(customLadder);
             r.temps.cpu = 93;
             r.tick();
             r.temps.cpu.reset();
             r.tick();
             return expect(r.engine->protectionActive() && r.engine->ladderTier() == 3 && r.target(0) == 5349,
                           describe(r));
         }},
        {"another program holding a fan under Auto shows as external",
         [] {
             Rig r;
             r.tick();
             r.smc.writeValue("F0md", {1});
             r.tick();
             return expect(r.state() == ControlState::Kind::external, describe(r));
         }},
        {"the fan service refuses a fan the machine does not have",
         [] {
             Rig r;
             bool accepted = true;
             r.service.setFanTarget(5, 2000, [&](bool ok, const std::string&) { accepted = ok; });
             return expect(!accepted && r.writeCalls == 0, "fan 5 was accepted or written");
         }},
        {"the fan service hands the fans back when heartbeats stop for 15 seconds",
         [] {
             Rig r;
             r.service.setFanTarget(0, 3000, [](bool, const std::string&) {});
             r.advance(14);
             r.service.watchdogCheck();
             const bool heldAt14 = r.forced(0);
             r.advance(2);
             r.service.watchdogCheck();
             return expect(heldAt14 && !r.forced(0), "fan 0 forced at 14 s: " + std::to_string(heldAt14) +
                                                         ", at 16 s: " + std::to_string(r.forced(0)));
         }},
        {"quitting hands held fans back",
         [] {
             Rig r;
             r.engine->setPreset(FanPreset::fullSpeed);
             r.settle();
             r.engine->shutdown();
             return expect(!r.forced(0) && !r.forced(1), describe(r));
         }},
        {"quitting with keep-fans-on-quit leaves the fans held and the next start adopts them",
         [] {
             Rig r;
             r.defaults.setFlag("VentiqKeepFansOnQuit", true);
             r.engine->setPreset(FanPreset::fullSpeed);
             r.settle();
             r.engine->shutdown();
             const bool kept = r.forced(0) && r.forced(1);
             r.engine = std::make_unique<FanController>(&r.smc, r.helper, r.temps, false, r.defaults, r.loop,
                                                        r.notifications);
             r.engine->setPreset(FanPreset::auto_);
             r.settle();
             return expect(kept && !r.forced(0) && !r.forced(1), describe(r));
         }},
        {"the CPU temperature comes from the machine's core keys",
         [] {
             Rig r;
             r.advance(5);
             CoreCounts counts;
             for (const auto& level : r.machine.profile().perfLevels) counts.byLevel[level.name] = level.physicalCPU;
             // The rig outlives the manager, so it holds the connection without owning it.
             HardwareSensorManager sensors(std::shared_ptr<const SMCReading>(std::shared_ptr<void>(), &r.smc), nullptr,
                                           r.machine.profile().model, counts);
             const TempSnapshot s = sensors.read();
             const bool plausible = s.cpuMax && s.cpuAvg && *s.cpuAvg <= *s.cpuMax && *s.cpuMax > 20 && *s.cpuMax < 125;
             return expect(s.cpuSource == CPUTempSource::smcCores && plausible && sensors.probedKeyCount() > 0,
                           "source " + std::string(s.cpuSource.name()) + ", " +
                               std::to_string(sensors.probedKeyCount()) + " core keys");
         }},
    };
    return all;
}

}  // namespace

int SelfTest::run(std::ostream& out) {
    int failures = 0;
    for (const Check& check : checks()) {
        std::string problem;
        try {
            problem = check.run();
        } catch (const std::exception& e) {
            problem = std::string("threw: ") + e.what();
        }
        if (problem.empty()) {
            out << "PASS " << check.name << '\n';
        } else {
            out << "FAIL " << check.name << ": " << problem << '\n';
            ++failures;
        }
    }
    out << (failures == 0 ? "selftest: all checks hold" : "selftest: " + std::to_string(failures) + " failed")
        << std::endl;
    return failures == 0 ? 0 : 1;
}

}  // namespace ventiq
