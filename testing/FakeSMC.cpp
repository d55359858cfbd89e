#include "testing/FakeSMC.h"

#include "smc/FourCC.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq::testing {

void FakeSMC::addTwoFanMachine(FakeSMC& smc) {
    smc.setU8("FNum", 2);
    smc.addFan(0, 1350, 5349);
    smc.addFan(1, 1350, 5777);
}

void FakeSMC::setRaw(const std::string& key, const std::string& type, std::vector<uint8_t> bytes) {
    std::lock_guard g(mutex_);
    keys_[key] = Entry{type, std::move(bytes)};
}

void FakeSMC::setFloat(const std::string& key, float value) { setRaw(key, "flt ", floatBytesLE(value)); }

void FakeSMC::setU8(const std::string& key, uint8_t value, const std::string& type) { setRaw(key, type, {value}); }

void FakeSMC::addFan(int index, float minRPM, float maxRPM, const std::string& modeSuffix, float actual) {
    setFloat(fanKey(index, "Ac"), actual);
    setFloat(fanKey(index, "Mn"), minRPM);
    setFloat(fanKey(index, "Mx"), maxRPM);
    setFloat(fanKey(index, "Tg"), actual);
    if (!modeSuffix.empty()) setU8(fanKey(index, modeSuffix.c_str()), 0);
}

void FakeSMC::remove(const std::string& key) {
    std::lock_guard g(mutex_);
    keys_.erase(key);
}

void FakeSMC::setReadFailure(const std::string& key, bool failing) {
    std::lock_guard g(mutex_);
    if (failing) readFailures_.insert(key);
    else readFailures_.erase(key);
}

void FakeSMC::setWriteFailure(const std::string& key, uint8_t resultCode) {
    std::lock_guard g(mutex_);
    writeFailures_[key] = resultCode;
}

void FakeSMC::clearFailures() {
    std::lock_guard g(mutex_);
    readFailures_.clear();
    writeFailures_.clear();
}

std::optional<float> FakeSMC::floatValue(const std::string& key) const {
    std::lock_guard g(mutex_);
    const auto it = keys_.find(key);
    if (it == keys_.end()) return std::nullopt;
    return SMCValue{key, it->second.type, it->second.bytes}.float_();
}

std::optional<uint8_t> FakeSMC::u8Value(const std::string& key) const {
    std::lock_guard g(mutex_);
    const auto it = keys_.find(key);
    if (it == keys_.end()) return std::nullopt;
    return SMCValue{key, it->second.type, it->second.bytes}.uint8();
}

bool FakeSMC::has(const std::string& key) const {
    std::lock_guard g(mutex_);
    return keys_.count(key) != 0;
}

std::vector<FakeSMC::Write> FakeSMC::writes() const {
    std::lock_guard g(mutex_);
    return writes_;
}

void FakeSMC::clearWrites() {
    std::lock_guard g(mutex_);
    writes_.clear();
}

int FakeSMC::readCount() const {
    std::lock_guard g(mutex_);
    return reads_;
}

std::optional<SMCValue> FakeSMC::readValue(const std::string& key) const {
    std::lock_guard g(mutex_);
    ++reads_;
    if (readFailures_.count(key)) return std::nullopt;
    const auto it = keys_.find(key);
    if (it == keys_.end()) return std::nullopt;
    return SMCValue{key, it->second.type, it->second.bytes};
}

void FakeSMC::writeValue(const std::string& key, const std::vector<uint8_t>& bytes) {
    std::lock_guard g(mutex_);
    const auto it = keys_.find(key);
    if (it == keys_.end()) throw SMCError::smc(key, 0x84);
    if (it->second.bytes.size() != bytes.size()) {
        throw SMCError::sizeMismatch(key, static_cast<uint32_t>(it->second.bytes.size()),
                                     static_cast<uint32_t>(bytes.size()));
    }
    if (const auto f = writeFailures_.find(key); f != writeFailures_.end()) {
        throw SMCError::smc(SMCConnection::writePathMarker + key, f->second);
    }
    it->second.bytes = bytes;
    writes_.push_back({key, bytes});
}

}  // namespace ventiq::testing
