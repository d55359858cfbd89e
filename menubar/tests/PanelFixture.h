#pragma once
// The panel over the real engine: a two-fan machine (1350-5349 / 1350-5777)
// on the fake SMC, a helper link that applies accepted requests to it, and
// virtual time, with the interface in English at 100 % unless a test says
// otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QEvent>

#include <memory>

#include "engine/FanController.h"
#include "menubar/DropdownMenuPanel.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/AppLanguage.h"
#include "settings/PrefKeys.h"
#include "settings/UIScale.h"
#include "smc/SMCReading.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeSMC.h"
#include "testing/FakeTemperatureSource.h"
#include "viewkit/tests/QtTestApp.h"

namespace ventiq {

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::qtTestApp();
        testing::FakeSMC::addTwoFanMachine(smc);
        setActual(0, 2000);
        setActual(1, 2100);
        helper.attach(&smc);
        sensors.setCPU(55);
        language("en");
        AppLanguage::setEnvironment(&environment);
        AppLanguage::setStore(&store);
        UIScale::setStore(&store);
        UIScale::setNotificationCenter(&center);
        setScale(100);
    }

    void TearDown() override {
        panel.reset();
        engine.reset();
        store.remove(UIScale::defaultsKey);
        UIScale::refreshPanel(5000);
        UIScale::setNotificationCenter(nullptr);
        UIScale::setStore(nullptr);
        AppLanguage::setStore(nullptr);
        AppLanguage::setEnvironment(nullptr);
        QCursor::setPos(-1000, -1000);
    }

    void language(const char* code) { environment.set("VENTIQ_FORCE_LANG", code); }
    // The choice, fitted on a screen tall enough for every size.
    void setScale(int percent) {
        store.setInteger(UIScale::defaultsKey, percent);
        UIScale::refreshPanel(5000);
    }

    void start() {
        engine = std::make_unique<FanController>(&smc, helper, sensors, true, store, loop, center);
        loop.runPending();
    }
    DropdownMenuPanel& makePanel() {
        if (!engine) start();
        panel = std::make_unique<DropdownMenuPanel>(*engine, loop, center);
        return *panel;
    }
    // Lets a change's deferred pass and its notifications run.
    void settle(double s = 0.2) {
        loop.advanceSeconds(s);
        loop.runPending();
    }

    void setActual(int fan, float rpm) { smc.setFloat(fanKey(fan, "Ac"), rpm); }

    ManualLoop loop;
    NotificationCenter center{loop};
    InMemoryPreferenceStore store;
    MapEnvironment environment;
    testing::FakeSMC smc;
    testing::FakeFanHelper helper;
    testing::FakeTemperatureSource sensors;
    std::unique_ptr<FanController> engine;
    std::unique_ptr<DropdownMenuPanel> panel;
};

}  // namespace ventiq
