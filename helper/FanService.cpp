#include "helper/FanService.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "helper/HelperError.h"
#include "helper/WriteKeys.h"
#include "ipc/HelperProtocol.h"
#include "smc/FourCC.h"
#include "smc/SMCError.h"

namespace ventiq {

std::string decimalText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";

    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string sci(buf, end);
    const auto e = sci.find('e');
    std::string mantissa = sci.substr(0, e);
    const int exponent = std::stoi(sci.substr(e + 1));
    const bool negative = mantissa[0] == '-';
    if (negative) mantissa.erase(0, 1);
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') digits += c;
    }

    std::string out = negative ? "-" : "";
    // Plain decimal between 1e-4 and 2^54, exponential outside, as the
    // platform's default description writes doubles.
    if (exponent < -4 || std::fabs(value) > 18014398509481984.0) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        char exp[16];
        std::snprintf(exp, sizeof exp, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + exp;
    }
    if (exponent < 0) {
        return out + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
        return out + digits + std::string(intDigits - digits.size(), '0') + ".0";
    }
    return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

int64_t wholePart(double value) {
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

namespace {

std::string writeFailed(const SMCError& e) { return "写入 SMC 失败：" + e.text(); }

std::string hexLower(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string bracketed(const std::set<int>& fans) {
    std::string out = "[";
    for (auto it = fans.begin(); it != fans.end(); ++it) {
        if (it != fans.begin()) out += ", ";
        out += std::to_string(*it);
    }
    return out + "]";
}

}  // namespace

FanService::FanService(SMCWriting& smc, Executor& queue, Clock now, Log log)
    : smc_(smc), queue_(queue), now_(std::move(now)), log_(std::move(log)), lastBeat_(now_()) {}

std::string FanService::helperVersion() { return std::string(ventiqHelperVersion); }

void FanService::heartbeat(FlagReply reply) {
    queue_.post([this, reply = std::move(reply)] {
        lastBeat_ = now_();
        reply(true);
    });
}

void FanService::keepFansOnDisconnect(FlagReply reply) {
    queue_.post([this, reply = std::move(reply)] {
        keepOnDisconnect_ = true;
        log_("收到：退出时保持当前风扇设置");
        reply(true);
    });
}

void FanService::setFanTarget(int64_t fan, double rpm, Reply reply) {
    queue_.post([this, fan, rpm, reply = std::move(reply)] {
        try {
            reply(true, applyTarget(fan, rpm));
        } catch (const HelperError& e) {
            log_("setFanTarget(" + std::to_string(fan) + ", " + decimalText(rpm) + ") 失败：" + e.text());
            reply(false, e.text());
        }
    });
}

void FanService::releaseFan(int64_t fan, Reply reply) {
    queue_.post([this, fan, reply = std::move(reply)] {
        try {
            reply(true, releaseFanLocked(fan));
        } catch (const HelperError& e) {
            log_("releaseFan(" + std::to_string(fan) + ") 失败：" + e.text());
            reply(false, e.text());
        }
    });
}

void FanService::releaseAllFans(Reply reply) {
    queue_.post([this, reply = std::move(reply)] {
        auto [ok, message] = releaseAllLocked("客户端请求");
        reply(ok, message);
    });
}

void FanService::rawWrite(std::string key, std::string hex, Reply reply) {
    queue_.post([this, key = std::move(key), hex = std::move(hex), reply = std::move(reply)] {
        try {
            reply(true, rawWriteLocked(key, hex));
        } catch (const HelperError& e) {
            log_("rawWrite(" + key + ", " + hex + ") 失败：" + e.text());
            reply(false, e.text());
        }
    });
}

void FanService::clientConnected() {
    queue_.post([this] {
        ++clients_;
        lastBeat_ = now_();
    });
}

void FanService::clientDisconnected() {
    queue_.post([this] { clientLeft(); });
}

void FanService::clientLeft() {
    const int before = clients_;
    clients_ = std::max(clients_ - 1, 0);
    if (before > 1) return;
    if (!keepOnDisconnect_) {
        releaseAllLocked("客户端断开");
        return;
    }
    keepOnDisconnect_ = false;
    log_("客户端断开：按 App 退出前的要求保持当前风扇设置（接管中的风扇 " + bracketed(forced_) + "），不交还");
    forced_.clear();
}

void FanService::watchdogCheck() {
    if (clients_ < 1 || forced_.empty()) return;
    if (now_() - lastBeat_ > heartbeatTimeout) releaseAllLocked("心跳超时");
}

std::pair<bool, std::string> FanService::releaseAllSync(const std::string& reason) {
    std::pair<bool, std::string> result;
    queue_.runSync([&] { result = releaseAllLocked(reason); });
    return result;
}

std::string FanService::modeKey(int fan) const {
    for (const char* suffix : {"md", "Md"}) {
        std::string key = fanKey(fan, suffix);
        if (smc_.readValue(key)) return key;
    }
    const std::string f = std::to_string(fan);
    throw HelperError::smcProblem("找不到风扇 " + f + " 的模式键（F" + f + "md / F" + f + "Md）");
}

int FanService::validFan(int64_t fan) const {
    const auto count = smc_.readU8("FNum");
    if (!count || fan < 0 || fan >= *count) throw HelperError::badFan(fan);
    return static_cast<int>(fan);
}

std::string FanService::applyTarget(int64_t requested, double rpm) {
    if (!std::isfinite(rpm)) throw HelperError::badValue("转速不是有效数字");
    const int fan = validFan(requested);
    const auto mn = smc_.readFloat(fanKey(fan, "Mn"));
    const auto mx = smc_.readFloat(fanKey(fan, "Mx"));
    if (!mn || !mx || !(*mx > *mn)) {
        throw HelperError::smcProblem("读不到风扇 " + std::to_string(fan) + " 的最低 / 最高转速，不下发指令");
    }
    const std::string mode = modeKey(fan);

    double sent = rpm <= *mn ? *mn : rpm;
    if (*mx < sent) sent = *mx;

    keepOnDisconnect_ = false;
    const std::string target = fanKey(fan, "Tg");
    try {
        smc_.writeValue(mode, {1});
        smc_.writeValue(target, floatBytesLE(static_cast<float>(sent)));
    } catch (const SMCError& e) {
        throw HelperError::smcProblem(writeFailed(e));
    }
    forced_.insert(fan);
    lastBeat_ = now_();

    const auto modeNow = smc_.readU8(mode);
    const double targetNow = smc_.readFloat(target).value_or(-1);
    const double actualNow = smc_.readFloat(fanKey(fan, "Ac")).value_or(-1);
    auto whole = [](double v) { return std::to_string(wholePart(v)); };
    std::string message = "风扇" + std::to_string(fan) + " 模式=" + (modeNow ? std::to_string(*modeNow) : "?") +
                          " 目标=" + whole(targetNow) + " 实际=" + whole(actualNow) + "（请求 " + whole(rpm) +
                          " → 实际下发 " + whole(sent) + "，范围 " + whole(*mn) + "–" + whole(*mx) + "）";
    log_(message);
    return message;
}

std::string FanService::releaseFanLocked(int64_t requested) {
    const int fan = validFan(requested);
    keepOnDisconnect_ = false;
    const std::string mode = modeKey(fan);
    try {
        smc_.writeValue(mode, {0});
    } catch (const SMCError& e) {
        throw HelperError::smcProblem(writeFailed(e));
    }
    forced_.erase(fan);
    log_("风扇" + std::to_string(fan) + " 已交还系统");
    return "风扇" + std::to_string(fan) + " 已交还系统自动控制";
}

std::pair<bool, std::string> FanService::releaseAllLocked(const std::string& reason) {
    keepOnDisconnect_ = false;
    const int count = smc_.readU8("FNum").value_or(0);
    std::string failures;
    for (int fan = 0; fan < count; ++fan) {
        std::string problem;
        try {
            smc_.writeValue(modeKey(fan), {0});
        } catch (const HelperError& e) {
            problem = e.text();
        } catch (const SMCError& e) {
            problem = e.text();
        }
        if (!problem.empty()) {
            if (!failures.empty()) failures += "；";
            failures += "风扇" + std::to_string(fan) + "：" + problem;
        }
    }
    forced_.clear();
    const bool ok = failures.empty();
    log_("releaseAll（" + reason + "）→ " + (ok ? std::string("OK") : failures));
    return {ok, ok ? std::string("已交还系统自动控制") : failures};
}

std::string FanService::rawWriteLocked(const std::string& key, const std::string& hex) {
    if (!isAllowedWriteKey(key)) throw HelperError::notAllowed(key);
    const std::vector<uint8_t> bytes = parseHex(hex);
    const int fan = key[1] - '0';
    const std::string suffix = key.substr(2);
    if (suffix == "md" || suffix == "Md") {
        if (bytes.size() != 1 || bytes[0] > 1) throw HelperError::badValue("模式只能是 00 或 01");
    } else {
        if (bytes.size() != 4) throw HelperError::badValue("目标转速必须是 4 字节 float");
        const uint32_t bits = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                              uint32_t{bytes[3]} << 24;
        const float v = std::bit_cast<float>(bits);
        const auto mn = smc_.readFloat(fanKey(fan, "Mn"));
        const auto mx = smc_.readFloat(fanKey(fan, "Mx"));
        const double value = v;
        if (!std::isfinite(value) || !mn || !mx || value < *mn || value > *mx) {
            throw HelperError::badValue("目标转速必须落在该风扇的 [最低, 最高] 之内");
        }
    }
    try {
        smc_.writeValue(key, bytes);
    } catch (const SMCError& e) {
        throw HelperError::smcProblem(writeFailed(e));
    }
    if (suffix != "Tg" && bytes[0] == 1) forced_.insert(fan);
    lastBeat_ = now_();

    const auto back = smc_.readValue(key);
    std::string message = "已写 " + key + "=" + hex + "，读回 " + (back ? hexLower(back->bytes) : std::string("?"));
    log_(message);
    return message;
}

}  // namespace ventiq
