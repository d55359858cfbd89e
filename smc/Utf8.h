#pragma once
// Well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF. Shared by every layer that takes text from outside (SMC key
// codes, the helper's wire format, the output of administrator scripts).
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ventiq::utf8 {

// Length of the well-formed sequence starting at bytes[i] (1 to 4), or 0
// when none starts there. i must be below size.
size_t sequenceLength(const uint8_t* bytes, size_t size, size_t i);

bool isWellFormed(const uint8_t* bytes, size_t size);
bool isWellFormed(std::string_view text);

}  // namespace ventiq::utf8
