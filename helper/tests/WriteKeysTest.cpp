#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "helper/FanService.h"
#include "helper/HelperError.h"
#include "helper/WriteKeys.h"

namespace ventiq {
namespace {

TEST(WriteKeys, WhitelistIsFanDigitAndTgOrMode) {
    struct Row {
        std::string key;
        bool allowed;
    };
    const Row rows[] = {
        {"F0Tg", true}, {"F1md", true}, {"F9Md", true},   {"FNum", false},  {"F0Mn", false},
        {"F0Mx", false}, {"Ftst", false}, {"F0Tgx", false}, {"F0T", false},  {"f0Tg", false},
        {"F0tg", false}, {"F0MD", false}, {"FaTg", false},  {"F٣Tg", false}, {"", false},
        {std::string("F0T\0", 4), false},
    };
    for (const auto& row : rows) EXPECT_EQ(isAllowedWriteKey(row.key), row.allowed) << row.key;
}

TEST(WriteKeys, ParseHexAcceptsPairsOfEitherCase) {
    EXPECT_EQ(parseHex("00803b45"), (std::vector<uint8_t>{0x00, 0x80, 0x3b, 0x45}));
    EXPECT_EQ(parseHex("aBcD"), (std::vector<uint8_t>{0xab, 0xcd}));
    EXPECT_EQ(parseHex("01"), (std::vector<uint8_t>{0x01}));
    EXPECT_EQ(parseHex(std::string(64, 'f')).size(), 32u);
}

TEST(WriteKeys, ParseHexRefusals) {
    struct Row {
        const char* name;
        std::string text;
        const char* error;
    };
    const Row rows[] = {
        {"66 characters", std::string(66, '0'), "取值不合法：十六进制长度不对"},
        {"3 characters", "012", "取值不合法：十六进制长度不对"},
        {"empty", "", "取值不合法：十六进制长度不对"},
        {"non-hex", "0g", "取值不合法：含有非十六进制字符"},
        {"space", "0 ", "取值不合法：含有非十六进制字符"},
        {"sign", "-1", "取值不合法：含有非十六进制字符"},
        // Two UTF-8 bytes: even length, not hexadecimal.
        {"multibyte", "é", "取值不合法：含有非十六进制字符"},
        {"multibyte odd", "é0", "取值不合法：十六进制长度不对"},
    };
    for (const auto& row : rows) {
        try {
            parseHex(row.text);
            ADD_FAILURE() << row.name << " was accepted";
        } catch (const HelperError& e) {
            EXPECT_EQ(e.kind(), HelperError::Kind::badValue) << row.name;
            EXPECT_STREQ(e.what(), row.error) << row.name;
        }
    }
}

TEST(HelperErrorText, EachCase) {
    EXPECT_EQ(HelperError::badFan(2).text(), "没有第 2 个风扇");
    EXPECT_EQ(HelperError::badFan(-1).text(), "没有第 -1 个风扇");
    EXPECT_EQ(HelperError::badValue("转速不是有效数字").text(), "取值不合法：转速不是有效数字");
    EXPECT_EQ(HelperError::notAllowed("FNum").text(), "不允许写入键 FNum");
    EXPECT_EQ(HelperError::smcProblem("x").text(), "x");
    EXPECT_EQ(HelperError::badFan(1), HelperError::badFan(1));
    EXPECT_FALSE(HelperError::badFan(1) == HelperError::badFan(2));
}

TEST(NumberText, DecimalAndWholeParts) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {3000.0, "3000.0"}, {-5.0, "-5.0"},   {0.0, "0.0"},     {0.1, "0.1"},
        {3500.75, "3500.75"}, {1e-4, "0.0001"}, {1e-5, "1e-05"},  {1e16, "10000000000000000.0"},
        {1e20, "1e+20"},   {-1.5e300, "-1.5e+300"}, {std::nan(""), "nan"}, {inf, "inf"}, {-inf, "-inf"},
    };
    for (const auto& row : rows) EXPECT_EQ(decimalText(row.value), row.text) << row.text;

    EXPECT_EQ(wholePart(3500.9), 3500);
    EXPECT_EQ(wholePart(-0.9), 0);
    EXPECT_EQ(wholePart(-1350.5), -1350);
    EXPECT_EQ(wholePart(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(wholePart(-1e300), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(wholePart(9223372036854775808.0), std::numeric_limits<int64_t>::max());
}

}  // namespace
}  // namespace ventiq
