#include "ipc/HelperProtocol.h"

#include <array>
#include <cstdlib>

namespace ventiq {

std::string ventiqHelperSocketPath() {
    const char* env = std::getenv("VENTIQ_HELPER_SOCKET");
    if (env != nullptr && *env != '\0') return env;
    return std::string(ventiqHelperDefaultSocketPath);
}

bool ventiqIsAllowedClientPath(std::string_view path) {
    return path == ventiqAllowedClientPath || path == ventiqLegacyClientPath || path == ventiqLegacyClientPath2;
}

namespace {

using T = WireType;
constexpr std::array<WireType, 0> none{};
constexpr std::array<WireType, 1> oneInt{T::int64};
constexpr std::array<WireType, 2> fanAndRpm{T::int64, T::double_};
constexpr std::array<WireType, 2> keyAndHex{T::text, T::text};
constexpr std::array<WireType, 1> text{T::text};
constexpr std::array<WireType, 1> flag{T::flag};
constexpr std::array<WireType, 2> okAndMessage{T::flag, T::text};

const std::array<HelperMethodInfo, 7> methods{{
    {HelperMethod::helperVersion, "helperVersionWithReply:", none, text},
    {HelperMethod::setFanTarget, "setFanTarget:rpm:reply:", fanAndRpm, okAndMessage},
    {HelperMethod::releaseFan, "releaseFan:reply:", oneInt, okAndMessage},
    {HelperMethod::releaseAllFans, "releaseAllFansWithReply:", none, okAndMessage},
    {HelperMethod::heartbeat, "heartbeatWithReply:", none, flag},
    {HelperMethod::rawWrite, "rawWrite:hex:reply:", keyAndHex, okAndMessage},
    {HelperMethod::keepFansOnDisconnect, "keepFansOnDisconnectWithReply:", none, flag},
}};

}  // namespace

std::span<const HelperMethodInfo> ventiqHelperMethods() { return methods; }

const HelperMethodInfo& helperMethodInfo(HelperMethod method) { return methods[static_cast<size_t>(method)]; }

const HelperMethodInfo* helperMethodForSelector(std::string_view selector) {
    for (const auto& m : methods) {
        if (m.selector == selector) return &m;
    }
    return nullptr;
}

}  // namespace ventiq
