#include <gtest/gtest.h>

#include <string>

#include "smc/Utf8.h"

namespace ventiq {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool wellFormed;
};

TEST(Utf8Test, AcceptsExactlyTheWellFormedSequences) {
    const Utf8Case cases[] = {
        {"empty", "", true},
        {"ascii", "F0Tg", true},
        {"two bytes", "\xC3\xA9", true},
        {"three bytes", "\xE9\xA3\x8E", true},
        {"four bytes", "\xF0\x9F\x8C\x80", true},
        {"highest code point", "\xF4\x8F\xBF\xBF", true},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three bytes", "\xE0\x80\xAF", false},
        {"overlong four bytes", "\xF0\x80\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"lead byte F5", "\xF5\x80\x80\x80", false},
        {"lone continuation", "\x80", false},
        {"truncated at the end", "ab\xE9\xA3", false},
        {"continuation missing mid-text", "\xE9\x41\x8E", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8::isWellFormed(c.bytes), c.wellFormed) << c.name;
    }
}

TEST(Utf8Test, SequenceLengthStopsAtTheBufferEnd) {
    const uint8_t bytes[] = {'a', 0xE9, 0xA3, 0x8E, 0xE9, 0xA3};
    EXPECT_EQ(utf8::sequenceLength(bytes, sizeof bytes, 0), 1u);
    EXPECT_EQ(utf8::sequenceLength(bytes, sizeof bytes, 1), 3u);
    EXPECT_EQ(utf8::sequenceLength(bytes, sizeof bytes, 2), 0u);
    EXPECT_EQ(utf8::sequenceLength(bytes, sizeof bytes, 4), 0u);
}

}  // namespace
}  // namespace ventiq
