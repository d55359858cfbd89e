#include "helper/HelperError.h"

namespace ventiq {

HelperError HelperError::badFan(int64_t fan) {
    return HelperError(Kind::badFan, fan, {}, "没有第 " + std::to_string(fan) + " 个风扇");
}

HelperError HelperError::badValue(std::string message) {
    std::string text = "取值不合法：" + message;
    return HelperError(Kind::badValue, 0, std::move(message), std::move(text));
}

HelperError HelperError::notAllowed(std::string key) {
    std::string text = "不允许写入键 " + key;
    return HelperError(Kind::notAllowed, 0, std::move(key), std::move(text));
}

HelperError HelperError::smcProblem(std::string message) {
    std::string text = message;
    return HelperError(Kind::smcProblem, 0, std::move(message), std::move(text));
}

}  // namespace ventiq
