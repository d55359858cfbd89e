#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "sim/SimMachine.h"
#include "smc/FourCC.h"

namespace ventiq::sim {

namespace {

float floatFromLE(const uint8_t* b) {
    const uint32_t bits = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                          static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

void SimMachine::buildKeyTable() {
    const auto add = [this](std::string name, std::string type, uint32_t size, bool writable, KeyRole role, int fan,
                            const SMCKeyDef* def) {
        KeyEntry e;
        e.code = fourCC(name);
        e.name = std::move(name);
        e.type = std::move(type);
        e.size = size;
        e.writable = writable;
        e.role = role;
        e.fan = fan;
        e.def = def;
        keys_.push_back(std::move(e));
    };
    add("#KEY", "ui32", 4, false, KeyRole::keyCount, -1, nullptr);
    if (profile_.hasFanCount) add("FNum", "ui8 ", 1, false, KeyRole::fanCount, -1, nullptr);
    for (const auto& fan : profile_.fans) {
        const std::string prefix = "F" + std::to_string(fan.index);
        add(prefix + "Ac", "flt ", 4, false, KeyRole::fanActual, fan.index, nullptr);
        add(prefix + "Mn", "flt ", 4, false, KeyRole::fanMin, fan.index, nullptr);
        add(prefix + "Mx", "flt ", 4, false, KeyRole::fanMax, fan.index, nullptr);
        add(prefix + "Tg", "flt ", 4, true, KeyRole::fanTarget, fan.index, nullptr);
        if (!fan.modeSuffix.empty()) add(prefix + fan.modeSuffix, "ui8 ", 1, true, KeyRole::fanMode, fan.index, nullptr);
    }
    for (const auto& def : profile_.keys)
        add(def.key, def.type, def.size, def.writable, KeyRole::profile, -1, &def);

    std::sort(keys_.begin(), keys_.end(), [](const KeyEntry& a, const KeyEntry& b) { return a.code < b.code; });
    for (size_t i = 0; i < keys_.size(); ++i) {
        // Keys of ten or more fans would collide after the fourth character.
        if (!keyIndex_.emplace(keys_[i].code, i).second)
            throw std::runtime_error("machine profile: key " + keys_[i].name + " defined twice");
    }
}

std::vector<const SimMachine::KeyEntry*> SimMachine::visibleKeys() const {
    std::vector<const KeyEntry*> out;
    for (const auto& e : keys_) {
        const auto f = keyFaults_.find(e.name);
        if (f == keyFaults_.end() || f->second.mode != Fault::Mode::missing) out.push_back(&e);
    }
    return out;
}

std::optional<std::vector<uint8_t>> SimMachine::keyBytes(const KeyEntry& e) {
    if (const auto f = keyFaults_.find(e.name); f != keyFaults_.end()) {
        switch (f->second.mode) {
            case Fault::Mode::missing: return std::nullopt;
            case Fault::Mode::nan: return encodeValue(e.type, e.size, std::nan(""));
            case Fault::Mode::value: return encodeValue(e.type, e.size, f->second.value);
        }
    }
    switch (e.role) {
        case KeyRole::keyCount: return encodeValue(e.type, e.size, static_cast<double>(visibleKeys().size()));
        case KeyRole::fanCount: return encodeValue(e.type, e.size, static_cast<double>(fans_.size()));
        case KeyRole::fanActual: {
            const double actual = fans_[e.fan].actual;
            return encodeValue(e.type, e.size, actual > 0 ? std::max(0.0, actual + noise(profile_.rpmNoise)) : 0.0);
        }
        case KeyRole::fanMin: return encodeValue(e.type, e.size, profile_.fans[e.fan].minRPM);
        case KeyRole::fanMax: return encodeValue(e.type, e.size, profile_.fans[e.fan].maxRPM);
        case KeyRole::fanTarget: return floatBytesLE(fans_[e.fan].target);
        case KeyRole::fanMode: return std::vector<uint8_t>{fans_[e.fan].mode};
        case KeyRole::profile: break;
    }
    if (!e.written.empty()) return e.written;
    const SMCKeyDef& def = *e.def;
    if (!def.bytes.empty()) return def.bytes;
    if (def.value) return encodeValue(e.type, e.size, *def.value);
    const auto node = std::find_if(profile_.nodes.begin(), profile_.nodes.end(),
                                   [&](const ThermalNode& n) { return n.name == def.node; });
    const double t = nodeTemps_[static_cast<size_t>(node - profile_.nodes.begin())];
    return encodeValue(e.type, e.size, t + def.offset + noise(profile_.temperatureNoise));
}

void SimMachine::writeKey(KeyEntry& e, const uint8_t* bytes) {
    switch (e.role) {
        case KeyRole::fanTarget: fans_[e.fan].target = floatFromLE(bytes); break;
        case KeyRole::fanMode: fans_[e.fan].mode = bytes[0]; break;
        case KeyRole::profile: e.written.assign(bytes, bytes + e.size); break;
        default: break;
    }
}

SMCKeyDataT SimMachine::call(const SMCKeyDataT& in) {
    SMCKeyDataT out;
    out.key = in.key;
    std::lock_guard guard(mutex_);

    const auto find = [&](uint32_t code) -> KeyEntry* {
        const auto it = keyIndex_.find(code);
        if (it == keyIndex_.end()) return nullptr;
        KeyEntry& e = keys_[it->second];
        const auto f = keyFaults_.find(e.name);
        if (f != keyFaults_.end() && f->second.mode == Fault::Mode::missing) return nullptr;
        return &e;
    };

    switch (in.data8) {
        case SMCCommand::keyInfo: {
            const KeyEntry* e = find(in.key);
            if (!e) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            out.keyInfo.dataSize = e->size;
            out.keyInfo.dataType = fourCC(e->type);
            out.keyInfo.dataAttributes = e->writable ? 0xC0 : 0x80;
            break;
        }
        case SMCCommand::readKey: {
            const KeyEntry* e = find(in.key);
            if (!e) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            if (in.keyInfo.dataSize != e->size) {
                out.result = SMCResult::sizeMismatch;
                break;
            }
            const auto bytes = keyBytes(*e);
            if (!bytes) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            out.keyInfo.dataSize = e->size;
            out.keyInfo.dataType = fourCC(e->type);
            out.setPayload(*bytes);
            break;
        }
        case SMCCommand::writeKey: {
            KeyEntry* e = find(in.key);
            if (!e) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            if (!e->writable) {
                out.result = SMCResult::notWritable;
                break;
            }
            if (in.keyInfo.dataSize != e->size) {
                out.result = SMCResult::sizeMismatch;
                break;
            }
            writeKey(*e, in.bytes);
            break;
        }
        case SMCCommand::keyAtIndex: {
            const auto visible = visibleKeys();
            if (in.data32 >= visible.size()) {
                out.result = SMCResult::indexOutOfRange;
                break;
            }
            out.key = visible[in.data32]->code;
            break;
        }
        default: out.result = SMCResult::badCommand; break;
    }
    return out;
}

}  // namespace ventiq::sim
