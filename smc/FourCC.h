#pragma once
// Four-character codes name SMC keys ("F0Tg") and SMC data types ("flt ").
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ventiq {

// Packs the first four UTF-8 bytes big-endian; shorter texts are not padded.
uint32_t fourCC(std::string_view text);

// The four bytes of a code, most significant first, as UTF-8; invalid bytes
// become U+FFFD, zero bytes stay NUL characters.
std::string fourCCString(uint32_t code);

// IEEE-754 single precision, least significant byte first.
std::vector<uint8_t> floatBytesLE(float value);

// Upper-case hexadecimal without leading zeros, as the error texts show codes.
std::string upperHex(uint32_t value);

}  // namespace ventiq
