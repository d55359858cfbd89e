#include "smc/FourCC.h"

#include <bit>
#include <cstring>

#include "smc/Utf8.h"

namespace ventiq {

uint32_t fourCC(std::string_view text) {
    uint32_t code = 0;
    for (size_t i = 0; i < text.size() && i < 4; ++i) {
        code = (code << 8) | static_cast<uint8_t>(text[i]);
    }
    return code;
}

std::string fourCCString(uint32_t code) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(code >> 24), static_cast<uint8_t>(code >> 16),
                              static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
    std::string out;
    size_t i = 0;
    while (i < 4) {
        const size_t len = utf8::sequenceLength(bytes, 4, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(reinterpret_cast<const char*>(bytes + i), len);
            i += len;
        }
    }
    return out;
}

std::vector<uint8_t> floatBytesLE(float value) {
    const auto bits = std::bit_cast<uint32_t>(value);
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
            static_cast<uint8_t>(bits >> 24)};
}

std::string upperHex(uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    if (value == 0) return "0";
    std::string out;
    while (value != 0) {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    }
    return out;
}

}  // namespace ventiq
