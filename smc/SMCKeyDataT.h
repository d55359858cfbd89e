#pragma once
// The fixed 80-byte record exchanged with the SMC driver for every call.
// Multi-byte fields are in native (little-endian) order; gaps are zero.
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace ventiq {

struct SMCVersionT {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t build = 0;
    uint8_t reserved = 0;
    uint16_t release = 0;
};

struct SMCPLimitDataT {
    uint16_t version = 0;
    uint16_t length = 0;
    uint32_t cpuPLimit = 0;
    uint32_t gpuPLimit = 0;
    uint32_t memPLimit = 0;
};

// Nine bytes of fields; the driver's layout puts one alignment byte after it,
// so it must not be padded to a multiple of four on its own.
struct __attribute__((packed)) SMCKeyInfoDataT {
    uint32_t dataSize = 0;
    uint32_t dataType = 0;
    uint8_t dataAttributes = 0;
};

// The gaps of the driver's layout are spelled out as members: alignment
// padding would be left uninitialised, and the whole record goes over the wire.
struct SMCKeyDataT {
    uint32_t key = 0;
    SMCVersionT vers;
    uint8_t gapAfterVers[2] = {};
    SMCPLimitDataT pLimitData;
    SMCKeyInfoDataT keyInfo;
    uint8_t gapAfterKeyInfo = 0;
    uint16_t padding = 0;
    uint8_t result = 0;
    uint8_t status = 0;
    uint8_t data8 = 0;
    uint8_t gapAfterData8 = 0;
    uint32_t data32 = 0;
    uint8_t bytes[32] = {};

    // The first min(count, 32) value bytes; count must not be negative.
    std::vector<uint8_t> payload(int count) const;
    // Zeroes all 32 value bytes, then copies up to 32 given bytes to the front.
    void setPayload(const std::vector<uint8_t>& data);
};

namespace SMCLayout {
inline constexpr size_t recordSize = 80;
inline constexpr bool isValid = sizeof(SMCKeyDataT) == 80 && offsetof(SMCKeyDataT, key) == 0 &&
                                offsetof(SMCKeyDataT, vers) == 4 && sizeof(SMCVersionT) == 6 &&
                                offsetof(SMCKeyDataT, pLimitData) == 12 && sizeof(SMCPLimitDataT) == 16 &&
                                offsetof(SMCKeyDataT, keyInfo) == 28 && sizeof(SMCKeyInfoDataT) == 9 &&
                                offsetof(SMCKeyDataT, padding) == 38 && offsetof(SMCKeyDataT, result) == 40 &&
                                offsetof(SMCKeyDataT, status) == 41 && offsetof(SMCKeyDataT, data8) == 42 &&
                                offsetof(SMCKeyDataT, data32) == 44 && offsetof(SMCKeyDataT, bytes) == 48;
}  // namespace SMCLayout

static_assert(SMCLayout::isValid, "SMCKeyDataT does not match the driver's 80-byte record");
static_assert(std::has_unique_object_representations_v<SMCKeyDataT>, "SMCKeyDataT has padding");

// SMC driver commands placed in data8.
namespace SMCCommand {
inline constexpr uint8_t readKey = 5;
inline constexpr uint8_t writeKey = 6;
inline constexpr uint8_t keyAtIndex = 8;
inline constexpr uint8_t keyInfo = 9;
}  // namespace SMCCommand

// SMC result bytes the driver answers with.
namespace SMCResult {
inline constexpr uint8_t success = 0x00;
inline constexpr uint8_t badCommand = 0x82;
inline constexpr uint8_t keyNotFound = 0x84;
inline constexpr uint8_t notWritable = 0x86;
inline constexpr uint8_t sizeMismatch = 0x87;
inline constexpr uint8_t indexOutOfRange = 0xB8;
}  // namespace SMCResult

}  // namespace ventiq
