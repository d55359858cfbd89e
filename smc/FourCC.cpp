#include "smc/FourCC.h"

#include <bit>
#include <cstring>

namespace ventiq {

uint32_t fourCC(std::string_view text) {
    uint32_t code = 0;
    for (size_t i = 0; i < text.size() && i < 4; ++i) {
        code = (code << 8) | static_cast<uint8_t>(text[i]);
    }
    return code;
}

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not valid.
size_t validSequence(const uint8_t* s, size_t n, size_t i) {
    const uint8_t c = s[i];
    size_t len = 0;
    uint32_t cp = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
    else return 0;
    if (i + len > n) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::string fourCCString(uint32_t code) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(code >> 24), static_cast<uint8_t>(code >> 16),
                              static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
    std::string out;
    size_t i = 0;
    while (i < 4) {
        const size_t len = validSequence(bytes, 4, i);
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
