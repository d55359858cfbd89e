#include "helper/WriteKeys.h"

#include "helper/HelperError.h"

namespace ventiq {

bool isAllowedWriteKey(std::string_view key) {
    if (key.size() != 4 || key[0] != 'F' || key[1] < '0' || key[1] > '9') return false;
    const std::string_view suffix = key.substr(2);
    return suffix == "Tg" || suffix == "md" || suffix == "Md";
}

namespace {
int nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::vector<uint8_t> parseHex(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0 || text.size() > 64) throw HelperError::badValue("十六进制长度不对");
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]);
        const int lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) throw HelperError::badValue("含有非十六进制字符");
        bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

}  // namespace ventiq
