#pragma once
// A two-fan machine (1350-5349 / 1350-5777) under the engine in virtual time,
// with a recording helper that applies accepted requests to the fake SMC.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

#include "engine/FanController.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/AppLanguage.h"
#include "settings/PrefKeys.h"
#include "smc/SMCReading.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeSMC.h"
#include "testing/FakeTemperatureSource.h"

namespace ventiq {

inline void PrintTo(const ControlState& state, std::ostream* os) {
    static const char* const names[] = {"failed", "system", "external", "needsHelper", "applying", "active"};
    *os << names[static_cast<int>(state.kind())];
    if (state.kind() == ControlState::Kind::failed) *os << "(" << state.message() << ")";
}

class EngineTest : public ::testing::Test {
protected:
    using Call = testing::FakeFanHelper::Call;

    void SetUp() override {
        testing::FakeSMC::addTwoFanMachine(smc);
        setActual(0, 2000);
        setActual(1, 2100);
        helper.attach(&smc);
        sensors.setCPU(55);
        // The engine's texts are checked in English whatever the test run's locale.
        AppLanguage::setEnvironment(&environment);
        AppLanguage::setStore(&store);
        store.setText(PrefKeys::selectedLanguage, "en");
        updatesToken = center.addObserver(Notifications::dataUpdated, [this] { ++updates; });
    }

    void TearDown() override {
        engine.reset();
        AppLanguage::setStore(nullptr);
        AppLanguage::setEnvironment(nullptr);
    }

    // A store that has seen this version before, so the stored preset counts.
    void markStarted() { store.setFlag(PrefKeys::realControlV1, true); }

    void start(bool startTimer = true) {
        engine = std::make_unique<FanController>(&smc, helper, sensors, startTimer, store, loop, center);
        loop.runPending();
    }
    // Quit and start again over the same store and machine.
    void restart() {
        engine->shutdown();
        engine.reset();
        start();
    }

    // Lets the deferred pass of a change run.
    void settle() { loop.advanceSeconds(0.2); }
    void advance(double s) { loop.advanceSeconds(s); }

    void setActual(int fan, float rpm) { smc.setFloat(fanKey(fan, "Ac"), rpm); }
    void setForced(int fan, bool forced, float target) {
        smc.setU8(fanKey(fan, "md"), forced ? 1 : 0);
        smc.setFloat(fanKey(fan, "Tg"), target);
    }
    bool forced(int fan) const { return smc.u8Value(fanKey(fan, "md")) == 1; }

    std::vector<Call> sends() const { return helper.calls("setFanTarget"); }
    std::vector<Call> releases() const { return helper.calls("releaseFan"); }
    static Call send(int fan, int rpm) { return {"setFanTarget", fan, rpm}; }
    static Call release(int fan) { return {"releaseFan", fan}; }
    // The speed last requested for a fan, absent when none was.
    std::optional<int> lastRequested(int fan) const {
        std::optional<int> rpm;
        for (const auto& call : sends()) {
            if (call.fan == fan) rpm = call.rpm;
        }
        return rpm;
    }

    ManualLoop loop;
    NotificationCenter center{loop};
    testing::FakeSMC smc;
    testing::FakeFanHelper helper{&loop};
    testing::FakeTemperatureSource sensors;
    InMemoryPreferenceStore store;
    MapEnvironment environment;
    std::unique_ptr<FanController> engine;
    int updates = 0;
    ObserverToken updatesToken;
};

}  // namespace ventiq
