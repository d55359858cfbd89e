#include "smc/SMCError.h"

#include "smc/FourCC.h"

namespace ventiq {

namespace {

std::string describe(SMCError::Kind kind, uint32_t code, const std::string& key, uint32_t expected,
                     uint32_t given) {
    switch (kind) {
        case SMCError::Kind::openFailed: return "打开硬件服务失败 (0x" + upperHex(code) + ")";
        case SMCError::Kind::callFailed: return "SMC 调用失败 (0x" + upperHex(code) + ")";
        case SMCError::Kind::smc: return "SMC 键 " + key + " 返回码 0x" + upperHex(code);
        case SMCError::Kind::sizeMismatch:
            return "键 " + key + " 需要 " + std::to_string(expected) + " 字节，给了 " + std::to_string(given) + " 字节";
        case SMCError::Kind::layoutMismatch: return "硬件接口布局校验失败";
        case SMCError::Kind::noService: return "找不到硬件服务";
    }
    return {};
}

}  // namespace

SMCError::SMCError(Kind kind, uint32_t code, std::string key, uint32_t expected, uint32_t given)
    : kind_(kind), code_(code), key_(std::move(key)), expected_(expected), given_(given),
      text_(describe(kind_, code_, key_, expected_, given_)) {}

SMCError SMCError::openFailed(uint32_t code) { return {Kind::openFailed, code, {}, 0, 0}; }
SMCError SMCError::callFailed(uint32_t code) { return {Kind::callFailed, code, {}, 0, 0}; }
SMCError SMCError::smc(std::string key, uint8_t result) { return {Kind::smc, result, std::move(key), 0, 0}; }
SMCError SMCError::sizeMismatch(std::string key, uint32_t expected, uint32_t given) {
    return {Kind::sizeMismatch, 0, std::move(key), expected, given};
}
SMCError SMCError::layoutMismatch() { return {Kind::layoutMismatch, 0, {}, 0, 0}; }
SMCError SMCError::noService() { return {Kind::noService, 0, {}, 0, 0}; }

bool SMCError::operator==(const SMCError& other) const {
    return kind_ == other.kind_ && code_ == other.code_ && key_ == other.key_ && expected_ == other.expected_ &&
           given_ == other.given_;
}

}  // namespace ventiq
