#pragma once
// An in-memory SMC for tests: keys with types and bytes, and failure switches
// that make a key vanish, make its read fail, or make its write fail with an
// SMC result code. Writes behave like the driver's: unknown key -> result
// 0x84, size differing from the key's -> sizeMismatch; every write is recorded.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "smc/SMCReading.h"

namespace ventiq::testing {

class FakeSMC : public SMCWriting {
public:
    struct Write {
        std::string key;
        std::vector<uint8_t> bytes;
        bool operator==(const Write&) const = default;
    };

    // Two fans, 1350-5349 and 1350-5777 rpm, automatic, mode keys F0md/F1md.
    static void addTwoFanMachine(FakeSMC& smc);

    void setRaw(const std::string& key, const std::string& type, std::vector<uint8_t> bytes);
    void setFloat(const std::string& key, float value);
    void setU8(const std::string& key, uint8_t value, const std::string& type = "ui8 ");
    // A fan with Ac, Mn, Mx, Tg and the mode key F<i><modeSuffix> (none when empty).
    void addFan(int index, float minRPM, float maxRPM, const std::string& modeSuffix = "md", float actual = 0);
    void remove(const std::string& key);

    // Failure switches.
    void setReadFailure(const std::string& key, bool failing);
    void setWriteFailure(const std::string& key, uint8_t resultCode);
    void clearFailures();

    std::optional<float> floatValue(const std::string& key) const;
    std::optional<uint8_t> u8Value(const std::string& key) const;
    bool has(const std::string& key) const;

    std::vector<Write> writes() const;
    void clearWrites();
    int readCount() const;

    std::optional<SMCValue> readValue(const std::string& key) const override;
    // Throws SMCError like the real connection.
    void writeValue(const std::string& key, const std::vector<uint8_t>& bytes) override;

private:
    struct Entry {
        std::string type;
        std::vector<uint8_t> bytes;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Entry> keys_;
    std::set<std::string> readFailures_;
    std::map<std::string, uint8_t> writeFailures_;
    std::vector<Write> writes_;
    mutable int reads_ = 0;
};

}  // namespace ventiq::testing
