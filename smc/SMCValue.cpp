#include "smc/SMCValue.h"

#include <bit>

namespace ventiq {

std::optional<float> SMCValue::float_() const {
    if (type != "flt " || bytes.size() != 4) return std::nullopt;
    const uint32_t bits = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                          uint32_t(bytes[3]) << 24;
    return std::bit_cast<float>(bits);
}

std::optional<uint8_t> SMCValue::uint8() const {
    if (bytes.size() != 1 || (type != "ui8 " && type != "hex_")) return std::nullopt;
    return bytes[0];
}

}  // namespace ventiq
