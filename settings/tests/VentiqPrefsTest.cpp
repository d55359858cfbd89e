#include <gtest/gtest.h>

#include <functional>

#include "ProcessWideSettings.h"
#include "settings/PrefKeys.h"
#include "settings/TempFormat.h"
#include "settings/VentiqPrefs.h"

namespace ventiq {
namespace {

using Value = PreferenceStore::Value;

TEST(VentiqPrefs, EmptyStoreGivesTheDefaults) {
    InMemoryPreferenceStore store;
    const VentiqPrefs prefs(store);
    EXPECT_EQ(prefs.refreshSeconds(), 2);
    EXPECT_FALSE(prefs.fullSpeedTimeoutOn());
    EXPECT_EQ(prefs.fullSpeedTimeoutMinutes(), 10);
    EXPECT_FALSE(prefs.keepFansOnQuit());
    EXPECT_FALSE(prefs.useFahrenheit());
    EXPECT_EQ(prefs.menuBarStyle(), 0);
    EXPECT_TRUE(prefs.menuBarMono());
    EXPECT_FALSE(prefs.menuBarShowTemp());
    EXPECT_EQ(prefs.menuBarTempSource(), SensorSource::cpuMax);
    EXPECT_TRUE(prefs.showNotifications());
}

// A value found in the store, and what the property reads from it. Nothing
// is repaired on read.
TEST(VentiqPrefs, StoredValuesReadThroughTheirRules) {
    struct Case {
        const char* name;
        const char* key;
        Value stored;
        std::function<int(const VentiqPrefs&)> read;
        int expected;
    };
    auto refresh = [](const VentiqPrefs& p) { return p.refreshSeconds(); };
    auto timeout = [](const VentiqPrefs& p) { return p.fullSpeedTimeoutMinutes(); };
    auto style = [](const VentiqPrefs& p) { return p.menuBarStyle(); };
    auto source = [](const VentiqPrefs& p) { return p.menuBarTempSource().rawValue(); };
    auto mono = [](const VentiqPrefs& p) { return int(p.menuBarMono()); };
    auto fahrenheit = [](const VentiqPrefs& p) { return int(p.useFahrenheit()); };
    auto notifications = [](const VentiqPrefs& p) { return int(p.showNotifications()); };
    const std::vector<Case> cases = {
        {"refresh5", PrefKeys::refreshSeconds, Value(int64_t{5}), refresh, 5},
        {"refresh3IsNotOffered", PrefKeys::refreshSeconds, Value(int64_t{3}), refresh, 2},
        {"refreshAsDouble", PrefKeys::refreshSeconds, Value(5.0), refresh, 2},
        {"refreshAsText", PrefKeys::refreshSeconds, Value(std::string("5")), refresh, 2},
        {"timeout30", PrefKeys::fullSpeedTimeoutMinutes, Value(int64_t{30}), timeout, 30},
        {"timeout7", PrefKeys::fullSpeedTimeoutMinutes, Value(int64_t{7}), timeout, 10},
        {"style2", PrefKeys::menuBarStyle, Value(int64_t{2}), style, 2},
        {"style7", PrefKeys::menuBarStyle, Value(int64_t{7}), style, 0},
        {"styleNegative", PrefKeys::menuBarStyle, Value(int64_t{-1}), style, 0},
        {"sourceAverage", PrefKeys::menuBarTempSource, Value(int64_t{1}), source, 1},
        {"sourceBattery", PrefKeys::menuBarTempSource, Value(int64_t{3}), source, 3},
        {"source9", PrefKeys::menuBarTempSource, Value(int64_t{9}), source, 0},
        {"monoFalse", PrefKeys::menuBarMono, Value(false), mono, 0},
        {"monoAsInteger", PrefKeys::menuBarMono, Value(int64_t{0}), mono, 1},
        {"fahrenheitAsInteger", PrefKeys::useFahrenheit, Value(int64_t{1}), fahrenheit, 0},
        {"notificationsOff", PrefKeys::showNotifications, Value(false), notifications, 0},
        {"notificationsAsInteger", PrefKeys::showNotifications, Value(int64_t{0}), notifications, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InMemoryPreferenceStore store;
        store.set(c.key, c.stored);
        EXPECT_EQ(c.read(VentiqPrefs(store)), c.expected);
        EXPECT_EQ(store.object(c.key), c.stored);
    }
}

TEST(VentiqPrefs, WritesStoreOnlyAllowedValues) {
    struct Case {
        const char* name;
        std::function<void(VentiqPrefs&)> write;
        const char* key;
        int stored;
    };
    const std::vector<Case> cases = {
        {"refresh5", [](VentiqPrefs& p) { p.setRefreshSeconds(5); }, PrefKeys::refreshSeconds, 5},
        {"refresh3", [](VentiqPrefs& p) { p.setRefreshSeconds(3); }, PrefKeys::refreshSeconds, 2},
        {"timeout60", [](VentiqPrefs& p) { p.setFullSpeedTimeoutMinutes(60); }, PrefKeys::fullSpeedTimeoutMinutes, 60},
        {"timeout7", [](VentiqPrefs& p) { p.setFullSpeedTimeoutMinutes(7); }, PrefKeys::fullSpeedTimeoutMinutes, 10},
        {"style1", [](VentiqPrefs& p) { p.setMenuBarStyle(1); }, PrefKeys::menuBarStyle, 1},
        {"style3", [](VentiqPrefs& p) { p.setMenuBarStyle(3); }, PrefKeys::menuBarStyle, 0},
        {"sourceSsd", [](VentiqPrefs& p) { p.setMenuBarTempSource(SensorSource::ssd); }, PrefKeys::menuBarTempSource, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InMemoryPreferenceStore store;
        VentiqPrefs prefs(store);
        c.write(prefs);
        EXPECT_EQ(store.integer(c.key), c.stored);
    }
}

TEST(VentiqPrefs, FlagsAreStoredAsFlagsAndNoCopyIsKept) {
    InMemoryPreferenceStore store;
    VentiqPrefs writer(store);
    const VentiqPrefs reader(store);

    writer.setMenuBarMono(false);
    EXPECT_FALSE(reader.menuBarMono());
    EXPECT_EQ(store.flag(PrefKeys::menuBarMono), false);
    writer.setMenuBarMono(true);
    EXPECT_TRUE(reader.menuBarMono());

    writer.setUseFahrenheit(true);
    writer.setKeepFansOnQuit(true);
    writer.setMenuBarShowTemp(true);
    writer.setFullSpeedTimeoutOn(true);
    for (const char* key : {PrefKeys::useFahrenheit, PrefKeys::keepFansOnQuit, PrefKeys::menuBarShowTemp,
                            PrefKeys::fullSpeedTimeoutOn}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(store.flag(key), true);
    }
    EXPECT_TRUE(reader.useFahrenheit());
    EXPECT_TRUE(reader.keepFansOnQuit());
    EXPECT_TRUE(reader.menuBarShowTemp());
    EXPECT_TRUE(reader.fullSpeedTimeoutOn());
}

TEST(TempFormat, FormatsWholeDegreesWithTheUnit) {
    struct Case {
        double celsius;
        bool fahrenheit;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {50, true, "122°F"},  {50, false, "50°C"}, {0, true, "32°F"},   {37.4, false, "37°C"},
        {2.5, false, "2°C"},  {3.5, false, "4°C"}, {37.6, false, "38°C"}, {-0.4, false, "0°C"},
        {-5.6, false, "-6°C"}, {-40, true, "-40°F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(TempFormat::string(c.celsius, c.fahrenheit), c.expected);
    }
    EXPECT_DOUBLE_EQ(TempFormat::converted(100, true), 212);
    EXPECT_DOUBLE_EQ(TempFormat::converted(36.6, false), 36.6);
}

using TempFormatShared = ProcessWideSettings;

TEST_F(TempFormatShared, FollowsTheStoredUnitAtEachCall) {
    EXPECT_EQ(TempFormat::string(50), "50°C");
    VentiqPrefs::shared().setUseFahrenheit(true);
    EXPECT_EQ(TempFormat::string(50), "122°F");
    store.setFlag(PrefKeys::useFahrenheit, false);
    EXPECT_EQ(TempFormat::string(50), "50°C");
}

TEST(TempFormatUninstalled, IsCelsiusWhateverTheStandardStoreHolds) {
    InMemoryPreferenceStore standard;
    standard.setFlag(PrefKeys::useFahrenheit, true);
    PreferenceStore::setStandard(&standard);
    EXPECT_EQ(TempFormat::string(50), "50°C");
    PreferenceStore::setStandard(nullptr);
}

}  // namespace
}  // namespace ventiq
