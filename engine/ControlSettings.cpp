#include "engine/ControlSettings.h"

#include <optional>
#include <type_traits>
#include <utility>

#include "platform/PreferenceStore.h"
#include "settings/PrefKeys.h"

namespace ventiq {

// One control setting: its key, its field, what a change of it means to the
// owner, and the limit a loaded value is brought into. Values the user sets
// are taken as they are.
template <typename T>
struct StoredSetting {
    const char* key;
    T ControlSettings::Values::*field;
    ControlSettings::Change change;
    T (*limit)(T) = nullptr;
};

namespace {
using Values = ControlSettings::Values;
using Change = ControlSettings::Change;

// Flags, integers and doubles are stored as they are, the enumerations by
// their raw value; a raw value outside the set reads as absent.
template <typename T>
std::optional<T> readStored(const PreferenceStore& store, const char* key) {
    if constexpr (std::is_same_v<T, bool>) {
        return store.flag(key);
    } else if constexpr (std::is_same_v<T, int>) {
        return store.integer(key);
    } else if constexpr (std::is_same_v<T, double>) {
        return store.number(key);
    } else {
        const auto raw = store.integer(key);
        if (!raw) return std::nullopt;
        return T::fromRawValue(*raw);
    }
}

template <typename T>
void writeStored(PreferenceStore& store, const char* key, T value) {
    if constexpr (std::is_same_v<T, bool>) {
        store.setFlag(key, value);
    } else if constexpr (std::is_same_v<T, int>) {
        store.setInteger(key, value);
    } else if constexpr (std::is_same_v<T, double>) {
        store.setNumber(key, value);
    } else {
        store.setInteger(key, value.rawValue());
    }
}

namespace stored {
constexpr StoredSetting<int> myLeftRPM{PrefKeys::myLeftRPM, &Values::myLeftRPM, Change::speed};
constexpr StoredSetting<int> myRightRPM{PrefKeys::myRightRPM, &Values::myRightRPM, Change::speed};
constexpr StoredSetting<FanMode> leftMode{PrefKeys::leftMode, &Values::leftMode, Change::mode};
constexpr StoredSetting<FanMode> rightMode{PrefKeys::rightMode, &Values::rightMode, Change::mode};
constexpr StoredSetting<bool> leftLadderEnabled{PrefKeys::leftLadderEnabled, &Values::leftLadderEnabled,
                                                Change::ladderSwitch};
constexpr StoredSetting<bool> rightLadderEnabled{PrefKeys::rightLadderEnabled, &Values::rightLadderEnabled,
                                                 Change::ladderSwitch};
constexpr StoredSetting<double> sensorStartTemp{PrefKeys::sensorStart, &Values::sensorStartTemp, Change::sensorCurve};
constexpr StoredSetting<double> sensorMaxTemp{PrefKeys::sensorMax, &Values::sensorMaxTemp, Change::sensorCurve};
constexpr StoredSetting<SensorSource> sensorSource{PrefKeys::sensorSource, &Values::sensorSource, Change::sensorCurve};
constexpr StoredSetting<bool> sustainedMaxOn{PrefKeys::ladderMaxOn, &Values::sustainedMaxOn, Change::sustainedHeat};
constexpr StoredSetting<int> sustainedMinutes{PrefKeys::ladderMaxMin, &Values::sustainedMinutes, Change::sustainedHeat,
                                              [](int v) { return TempLadder::sustainedMinutesRange.clamp(v); }};
}  // namespace stored

struct LadderKeys {
    const char* on;
    const char* temp;
    const char* left;
    const char* right;
};
constexpr LadderKeys ladder2Keys{PrefKeys::ladder2On, PrefKeys::ladder2Temp, PrefKeys::ladder2L, PrefKeys::ladder2R};
constexpr LadderKeys ladder3Keys{PrefKeys::ladder3On, PrefKeys::ladder3Temp, PrefKeys::ladder3L, PrefKeys::ladder3R};

// Each field on its own; a missing one keeps its default. Reports whether any
// field was stored.
bool readLadder(const PreferenceStore& store, const LadderKeys& keys, LadderTier& tier) {
    const auto on = store.flag(keys.on);
    const auto temp = store.integer(keys.temp);
    const auto left = store.integer(keys.left);
    const auto right = store.integer(keys.right);
    tier.enabled = on.value_or(tier.enabled);
    tier.tempC = temp.value_or(tier.tempC);
    tier.left = left.value_or(tier.left);
    tier.right = right.value_or(tier.right);
    return on || temp || left || right;
}

void writeLadder(PreferenceStore& store, const LadderKeys& keys, const LadderTier& tier) {
    store.setFlag(keys.on, tier.enabled);
    store.setInteger(keys.temp, tier.tempC);
    store.setInteger(keys.left, tier.left);
    store.setInteger(keys.right, tier.right);
}
}  // namespace

ControlSettings::ControlSettings(PreferenceStore& store, Listener listener)
    : store_(store), listener_(std::move(listener)) {}

void ControlSettings::changed(Change change, FanPreset presetBefore) const {
    if (listener_) listener_(change, presetBefore);
}

template <typename T>
void ControlSettings::assign(const StoredSetting<T>& setting, T value) {
    values_.*setting.field = value;
    writeStored(store_, setting.key, value);
    changed(setting.change);
}

template <typename... T>
void ControlSettings::loadStored(const StoredSetting<T>&... settings) {
    const auto loadOne = [this]<typename V>(const StoredSetting<V>& setting) {
        const auto value = readStored<V>(store_, setting.key);
        if (value) assign(setting, setting.limit ? setting.limit(*value) : *value);
    };
    (loadOne(settings), ...);
}

void ControlSettings::load() {
    if (!store_.flag(PrefKeys::realControlV1)) {
        // A preset stored before this version held the fans for real must
        // not take them over unasked on the first run.
        store_.setFlag(PrefKeys::realControlV1, true);
        writeStored(store_, PrefKeys::preset, FanPreset(FanPreset::auto_));
    }
    if (const auto p = readStored<FanPreset>(store_, PrefKeys::preset)) setPreset(*p);
    const auto last = readStored<FanPreset>(store_, PrefKeys::lastActivePreset);
    if (last && *last != FanPreset::auto_) {
        values_.lastActivePreset = *last;
    } else if (values_.preset != FanPreset::auto_) {
        values_.lastActivePreset = values_.preset;
    }
    loadStored(stored::myLeftRPM, stored::myRightRPM, stored::leftMode, stored::rightMode, stored::leftLadderEnabled,
               stored::rightLadderEnabled, stored::sensorStartTemp, stored::sensorMaxTemp, stored::sensorSource);
    loadLadders();
    loadStored(stored::sustainedMaxOn, stored::sustainedMinutes);
}

// The two upper settings load together so that they end up in order.
void ControlSettings::loadLadders() {
    LadderTier tier2 = values_.ladder2;
    LadderTier tier3 = values_.ladder3;
    const bool stored2 = readLadder(store_, ladder2Keys, tier2);
    const bool stored3 = readLadder(store_, ladder3Keys, tier3);
    const auto [normal2, normal3] = TempLadder::normalized(tier2, tier3, true);
    if (stored2 || normal2 != values_.ladder2) setLadder2(normal2);
    if (stored3 || normal3 != values_.ladder3) setLadder3(normal3);
}

void ControlSettings::setPreset(FanPreset value) {
    const FanPreset before = values_.preset;
    values_.preset = value;
    writeStored(store_, PrefKeys::preset, value);
    if (value != FanPreset::auto_) {
        values_.lastActivePreset = value;
        writeStored(store_, PrefKeys::lastActivePreset, value);
    }
    changed(Change::preset, before);
}

void ControlSettings::setMyLeftRPM(int value) { assign(stored::myLeftRPM, value); }
void ControlSettings::setMyRightRPM(int value) { assign(stored::myRightRPM, value); }
void ControlSettings::setLeftMode(FanMode value) { assign(stored::leftMode, value); }
void ControlSettings::setRightMode(FanMode value) { assign(stored::rightMode, value); }
void ControlSettings::setLeftLadderEnabled(bool value) { assign(stored::leftLadderEnabled, value); }
void ControlSettings::setRightLadderEnabled(bool value) { assign(stored::rightLadderEnabled, value); }
void ControlSettings::setSensorStartTemp(double value) { assign(stored::sensorStartTemp, value); }
void ControlSettings::setSensorMaxTemp(double value) { assign(stored::sensorMaxTemp, value); }
void ControlSettings::setSensorSource(SensorSource value) { assign(stored::sensorSource, value); }
void ControlSettings::setSustainedMaxOn(bool value) { assign(stored::sustainedMaxOn, value); }
void ControlSettings::setSustainedMinutes(int value) { assign(stored::sustainedMinutes, value); }

void ControlSettings::setLadder2(const LadderTier& value) {
    values_.ladder2 = value;
    writeLadder(store_, ladder2Keys, value);
    changed(Change::ladder);
}

void ControlSettings::setLadder3(const LadderTier& value) {
    values_.ladder3 = value;
    writeLadder(store_, ladder3Keys, value);
    changed(Change::ladder);
}

}  // namespace ventiq
