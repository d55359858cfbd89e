#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ventiq {

// One value as the SMC holds it: the key as the caller named it, the data type
// code as four characters, and at most 32 raw bytes.
struct SMCValue {
    std::string key;
    std::string type;
    std::vector<uint8_t> bytes;

    // "flt " with exactly 4 bytes: little-endian single precision, NaN included.
    std::optional<float> float_() const;
    // "ui8 " or "hex_" with exactly 1 byte.
    std::optional<uint8_t> uint8() const;

    bool operator==(const SMCValue&) const = default;
};

}  // namespace ventiq
