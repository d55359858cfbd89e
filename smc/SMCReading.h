#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "smc/FanReading.h"
#include "smc/SMCValue.h"

namespace ventiq {

// Anything keys can be read from: the SMC connection or a test double.
// Every typed reading is built on readValue alone.
class SMCReading {
public:
    virtual ~SMCReading() = default;

    // The key's value, or absent when it cannot be read for any reason.
    virtual std::optional<SMCValue> readValue(const std::string& key) const = 0;

    // Absent also when the float is NaN or an infinity.
    std::optional<double> readFloat(const std::string& key) const;
    std::optional<uint8_t> readU8(const std::string& key) const;
    int fanCount() const;
    std::optional<std::string> fanModeKey(int fan) const;
    std::optional<FanReading> fanReading(int fan) const;
};

// Fan keys: "F" + index + suffix ("Ac", "Mn", "Mx", "Tg", "md", "Md").
std::string fanKey(int fan, const char* suffix);

// A reader that can also write; only the helper writes.
class SMCWriting : public SMCReading {
public:
    // Throws SMCError.
    virtual void writeValue(const std::string& key, const std::vector<uint8_t>& bytes) = 0;
};

}  // namespace ventiq
