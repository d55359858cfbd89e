#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>

#include "smc/FourCC.h"
#include "smc/SMCKeyDataT.h"
#include "smc/SMCValue.h"

namespace ventiq {
namespace {

TEST(FourCC, PacksFirstFourBytesBigEndian) {
    struct Case {
        const char* name;
        std::string text;
        uint32_t code;
    };
    const Case cases[] = {
        {"fan target", "F0Tg", 0x46305467},
        {"fan count", "FNum", 0x464E756D},
        {"float type", "flt ", 0x666C7420},
        {"empty", "", 0},
        {"two characters are not padded", "ab", 0x6162},
        {"fan 10 key is cut after four bytes", "F10Ac", 0x46313041},
    };
    for (const auto& c : cases) EXPECT_EQ(fourCC(c.text), c.code) << c.name;
}

TEST(FourCC, StringRoundTripsAndReplacesInvalidBytes) {
    EXPECT_EQ(fourCCString(0x666C7420), "flt ");
    EXPECT_EQ(fourCCString(fourCC("hex_")), "hex_");
    EXPECT_EQ(fourCCString(0x41000042), std::string("A\0\0B", 4));
    EXPECT_EQ(fourCCString(0x41FF4243), "A\xEF\xBF\xBD" "BC");
}

TEST(FourCC, KeyIsStoredLittleEndianInRecord) {
    SMCKeyDataT record;
    record.key = fourCC("F0Tg");
    uint8_t raw[80];
    std::memcpy(raw, &record, sizeof raw);
    EXPECT_EQ(raw[0], 0x67);
    EXPECT_EQ(raw[1], 0x54);
    EXPECT_EQ(raw[2], 0x30);
    EXPECT_EQ(raw[3], 0x46);
}

TEST(FloatBytes, LittleEndianPattern) {
    EXPECT_EQ(floatBytesLE(3000.0f), (std::vector<uint8_t>{0x00, 0x80, 0x3B, 0x45}));
    EXPECT_EQ(floatBytesLE(1.0f), (std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F}));
}

TEST(SMCKeyData, NewRecordIsZeroAndPayloadIsCappedAt32) {
    static_assert(SMCLayout::isValid);
    // Built over dirty memory, as a record on a reused stack would be: the
    // gaps go to the driver too, so they must be zero and not leftovers.
    alignas(SMCKeyDataT) uint8_t storage[sizeof(SMCKeyDataT)];
    std::memset(storage, 0xAA, sizeof storage);
    SMCKeyDataT& record = *new (storage) SMCKeyDataT;
    uint8_t raw[80];
    std::memcpy(raw, &record, sizeof raw);
    for (size_t i = 0; i < sizeof raw; ++i) EXPECT_EQ(raw[i], 0) << "offset " << i;

    std::vector<uint8_t> forty(40);
    for (size_t i = 0; i < forty.size(); ++i) forty[i] = static_cast<uint8_t>(i + 1);
    record.setPayload(forty);
    EXPECT_EQ(record.payload(40), std::vector<uint8_t>(forty.begin(), forty.begin() + 32));
    EXPECT_TRUE(record.payload(0).empty());

    record.setPayload({9, 9});
    EXPECT_EQ(record.payload(4), (std::vector<uint8_t>{9, 9, 0, 0}));
}

TEST(SMCValueDecoding, TypeAndLengthMustMatchExactly) {
    struct Case {
        const char* name;
        SMCValue value;
        std::optional<float> asFloat;
        std::optional<uint8_t> asU8;
    };
    const Case cases[] = {
        {"float 3000", {"F0Tg", "flt ", {0x00, 0x80, 0x3B, 0x45}}, 3000.0f, std::nullopt},
        {"float with 2 bytes", {"F0Tg", "flt ", {0x00, 0x80}}, std::nullopt, std::nullopt},
        {"type without trailing space", {"F0Tg", "flt", {0x00, 0x80, 0x3B, 0x45}}, std::nullopt, std::nullopt},
        {"ui8 with two bytes", {"FNum", "ui8 ", {1, 2}}, std::nullopt, std::nullopt},
        {"hex_ single byte", {"FNum", "hex_", {1}}, std::nullopt, 1},
        {"ui8 single byte", {"F0md", "ui8 ", {7}}, std::nullopt, 7},
        {"unknown type carried raw", {"X", "sp78", {1}}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.float_(), c.asFloat) << c.name;
        EXPECT_EQ(c.value.uint8(), c.asU8) << c.name;
    }
    const SMCValue nan{"T", "flt ", {0x00, 0x00, 0xC0, 0x7F}};
    ASSERT_TRUE(nan.float_().has_value());
    EXPECT_TRUE(std::isnan(*nan.float_()));
}

}  // namespace
}  // namespace ventiq
