#pragma once
// The windows over the real engine on a fake two-fan machine in virtual time,
// with a sensor list that reads whatever the test scripted, on the offscreen
// platform.
#include <QApplication>
#include <QWidget>
#include <mutex>
#include <string>
#include <vector>

#include "engine/tests/EngineFixture.h"
#include "viewkit/tests/QtTestApp.h"
#include "windows/MainWindowContext.h"

namespace ventiq {

// A sensor list source that plays a script, one snapshot per read, the last
// one repeated. Readers may be made and read on any thread.
class ScriptedSensorList {
public:
    void setScript(std::vector<SensorListSnapshot> script) {
        std::lock_guard lock(mutex_);
        script_ = std::move(script);
        next_ = 0;
    }
    int reads() const {
        std::lock_guard lock(mutex_);
        return reads_;
    }
    int readersMade() const {
        std::lock_guard lock(mutex_);
        return readers_;
    }
    SensorListReaderFactory factory() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++readers_;
            return SensorListRead([this] {
                std::lock_guard inner(mutex_);
                ++reads_;
                if (script_.empty()) return SensorListSnapshot::empty();
                const SensorListSnapshot& s = script_[std::min(next_, script_.size() - 1)];
                ++next_;
                return s;
            });
        };
    }

private:
    mutable std::mutex mutex_;
    std::vector<SensorListSnapshot> script_;
    size_t next_ = 0;
    int reads_ = 0;
    int readers_ = 0;
};

inline SensorRow sensorRow(std::string key, std::string name, std::optional<double> celsius,
                           SensorIcon icon = SensorIcon::cpu, bool average = false) {
    return SensorRow{"smc:" + key + ":" + name, std::move(name), icon, celsius, average};
}

// n core rows named "CPU Core 1"... with readings from base upwards.
inline SensorListSnapshot coreSnapshot(int n, int disks = 0, double base = 50) {
    SensorListSnapshot s;
    for (int i = 0; i < n; ++i)
        s.rows.push_back(sensorRow("Tp" + std::to_string(i), "CPU Core " + std::to_string(i + 1), base + i));
    for (int d = 0; d < disks; ++d)
        s.disks.push_back(SensorRow{"disk:" + std::to_string(d) + ":APPLE SSD AP2048Z", "APPLE SSD AP2048Z",
                                    SensorIcon::disk, d == 0 ? std::optional<double>(41) : std::nullopt, false});
    return s;
}

class WindowTest : public EngineTest {
protected:
    void SetUp() override {
        testing::qtTestApp();
        EngineTest::SetUp();
        store.setInteger(PrefKeys::preset, FanPreset::auto_);
        markStarted();
        start();
        sensorList.setScript({coreSnapshot(31, 1)});
        context.engine = engine.get();
        context.helper = &helper;
        context.notifications = &center;
        context.makeSensorReader = sensorList.factory();
        context.runsFromAllowedPath = [this] { return allowedPath; };
        context.openPreferences = [this] { ++preferencesOpened; };
        context.alert = [this](const std::string& title, const std::string& message) {
            alerts.push_back({title, message});
        };
        context.screenVisibleHeight = [this] { return screenHeight; };
    }

    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) w->close();
        QApplication::processEvents();
        EngineTest::TearDown();
    }

    // Lets the engine's deferred pass run and the views hear about it.
    void settleAll() {
        settle();
        loop.runPending();
        QApplication::processEvents();
    }

    struct Alert {
        std::string title;
        std::string message;
        bool operator==(const Alert&) const = default;
    };

    ScriptedSensorList sensorList;
    MainWindowContext context;
    bool allowedPath = true;
    int preferencesOpened = 0;
    std::vector<Alert> alerts;
    std::optional<double> screenHeight = 1200;
};

}  // namespace ventiq
