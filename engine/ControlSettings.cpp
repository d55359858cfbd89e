#include "engine/ControlSettings.h"

#include <utility>

#include "platform/PreferenceStore.h"
#include "settings/PrefKeys.h"

namespace ventiq {

namespace {
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

void ControlSettings::load() {
    if (!store_.flag(PrefKeys::realControlV1)) {
        // A preset stored before this version held the fans for real must
        // not take them over unasked on the first run.
        store_.setFlag(PrefKeys::realControlV1, true);
        store_.setInteger(PrefKeys::preset, FanPreset(FanPreset::auto_).rawValue());
    }
    if (const auto raw = store_.integer(PrefKeys::preset)) {
        if (const auto p = FanPreset::fromRawValue(*raw)) setPreset(*p);
    }
    const auto lastRaw = store_.integer(PrefKeys::lastActivePreset);
    if (lastRaw && (*lastRaw == FanPreset::mySettings || *lastRaw == FanPreset::fullSpeed)) {
        values_.lastActivePreset = *FanPreset::fromRawValue(*lastRaw);
    } else if (values_.preset != FanPreset::auto_) {
        values_.lastActivePreset = values_.preset;
    }
    if (const auto v = store_.integer(PrefKeys::myLeftRPM)) setMyLeftRPM(*v);
    if (const auto v = store_.integer(PrefKeys::myRightRPM)) setMyRightRPM(*v);
    if (const auto v = store_.integer(PrefKeys::leftMode)) {
        if (const auto m = FanMode::fromRawValue(*v)) setLeftMode(*m);
    }
    if (const auto v = store_.integer(PrefKeys::rightMode)) {
        if (const auto m = FanMode::fromRawValue(*v)) setRightMode(*m);
    }
    if (const auto v = store_.flag(PrefKeys::leftLadderEnabled)) setLeftLadderEnabled(*v);
    if (const auto v = store_.flag(PrefKeys::rightLadderEnabled)) setRightLadderEnabled(*v);
    if (const auto v = store_.number(PrefKeys::sensorStart)) setSensorStartTemp(*v);
    if (const auto v = store_.number(PrefKeys::sensorMax)) setSensorMaxTemp(*v);
    if (const auto v = store_.integer(PrefKeys::sensorSource)) {
        if (const auto s = SensorSource::fromRawValue(*v)) setSensorSource(*s);
    }

    LadderTier tier2 = values_.ladder2;
    LadderTier tier3 = values_.ladder3;
    const bool stored2 = readLadder(store_, ladder2Keys, tier2);
    const bool stored3 = readLadder(store_, ladder3Keys, tier3);
    const auto [normal2, normal3] = TempLadder::normalized(tier2, tier3, true);
    if (stored2 || normal2 != values_.ladder2) setLadder2(normal2);
    if (stored3 || normal3 != values_.ladder3) setLadder3(normal3);

    if (const auto v = store_.flag(PrefKeys::ladderMaxOn)) setSustainedMaxOn(*v);
    if (const auto v = store_.integer(PrefKeys::ladderMaxMin)) {
        setSustainedMinutes(TempLadder::sustainedMinutesRange.clamp(*v));
    }
}

void ControlSettings::setPreset(FanPreset value) {
    const FanPreset before = values_.preset;
    values_.preset = value;
    store_.setInteger(PrefKeys::preset, value.rawValue());
    if (value != FanPreset::auto_) {
        values_.lastActivePreset = value;
        store_.setInteger(PrefKeys::lastActivePreset, value.rawValue());
    }
    changed(Change::preset, before);
}

void ControlSettings::setMyLeftRPM(int value) {
    values_.myLeftRPM = value;
    store_.setInteger(PrefKeys::myLeftRPM, value);
    changed(Change::speed);
}

void ControlSettings::setMyRightRPM(int value) {
    values_.myRightRPM = value;
    store_.setInteger(PrefKeys::myRightRPM, value);
    changed(Change::speed);
}

void ControlSettings::setLeftMode(FanMode value) {
    values_.leftMode = value;
    store_.setInteger(PrefKeys::leftMode, value.rawValue());
    changed(Change::mode);
}

void ControlSettings::setRightMode(FanMode value) {
    values_.rightMode = value;
    store_.setInteger(PrefKeys::rightMode, value.rawValue());
    changed(Change::mode);
}

void ControlSettings::setLeftLadderEnabled(bool value) {
    values_.leftLadderEnabled = value;
    store_.setFlag(PrefKeys::leftLadderEnabled, value);
    changed(Change::ladderSwitch);
}

void ControlSettings::setRightLadderEnabled(bool value) {
    values_.rightLadderEnabled = value;
    store_.setFlag(PrefKeys::rightLadderEnabled, value);
    changed(Change::ladderSwitch);
}

void ControlSettings::setSensorStartTemp(double value) {
    values_.sensorStartTemp = value;
    store_.setNumber(PrefKeys::sensorStart, value);
    changed(Change::sensorCurve);
}

void ControlSettings::setSensorMaxTemp(double value) {
    values_.sensorMaxTemp = value;
    store_.setNumber(PrefKeys::sensorMax, value);
    changed(Change::sensorCurve);
}

void ControlSettings::setSensorSource(SensorSource value) {
    values_.sensorSource = value;
    store_.setInteger(PrefKeys::sensorSource, value.rawValue());
    changed(Change::sensorCurve);
}

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

void ControlSettings::setSustainedMaxOn(bool value) {
    values_.sustainedMaxOn = value;
    store_.setFlag(PrefKeys::ladderMaxOn, value);
    changed(Change::sustainedHeat);
}

void ControlSettings::setSustainedMinutes(int value) {
    values_.sustainedMinutes = value;
    store_.setInteger(PrefKeys::ladderMaxMin, value);
    changed(Change::sustainedHeat);
}

}  // namespace ventiq
