// parseHex either refuses with a value error or returns half as many bytes as
// it was given characters, which print back as the same digits.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "helper/HelperError.h"
#include "helper/WriteKeys.h"

using namespace ventiq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)isAllowedWriteKey(text);
    try {
        const auto bytes = parseHex(text);
        if (bytes.empty() || bytes.size() > 32 || bytes.size() * 2 != size) __builtin_trap();
        static const char digits[] = "0123456789abcdef";
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(text[2 * i])) != digits[bytes[i] >> 4] ||
                std::tolower(static_cast<unsigned char>(text[2 * i + 1])) != digits[bytes[i] & 15]) {
                __builtin_trap();
            }
        }
    } catch (const HelperError& e) {
        if (e.kind() != HelperError::Kind::badValue) __builtin_trap();
    }
    return 0;
}
