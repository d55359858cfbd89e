#include "smc/Utf8.h"

namespace ventiq::utf8 {

size_t sequenceLength(const uint8_t* s, size_t n, size_t i) {
    const uint8_t c = s[i];
    size_t len = 0;
    uint32_t cp = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (n - i < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool isWellFormed(const uint8_t* bytes, size_t size) {
    size_t i = 0;
    while (i < size) {
        const size_t len = sequenceLength(bytes, size, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

bool isWellFormed(std::string_view text) {
    return isWellFormed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace ventiq::utf8
