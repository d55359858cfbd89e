#pragma once
// The only keys a raw write may touch, and the hexadecimal text it carries.
#include <cstdint>
#include <string_view>
#include <vector>

namespace ventiq {

// F, one decimal digit, then exactly Tg, md or Md: four bytes, nothing else.
bool isAllowedWriteKey(std::string_view key);

// 2 to 64 hexadecimal digits (either case), high nibble first; 1 to 32 bytes.
// Throws HelperError::badValue for a wrong length or a non-hex character.
std::vector<uint8_t> parseHex(std::string_view text);

}  // namespace ventiq
