#pragma once
// The remote interface between the application and the root helper: names,
// version, admitted client paths and the seven methods with their types.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ventiq {

inline constexpr std::string_view ventiqHelperLabel = "com.quillmoor.ventiq.helper";
inline constexpr std::string_view ventiqHelperVersion = "1.1.0";
inline constexpr std::string_view ventiqHelperInstallPath =
    "/Library/PrivilegedHelperTools/com.quillmoor.ventiq.helper";
inline constexpr std::string_view ventiqAllowedClientPath = "/Applications/Tavrinel.app/Contents/MacOS/Ventiq";
inline constexpr std::string_view ventiqLegacyClientPath = "/Applications/Ondrel.app/Contents/MacOS/Ventiq";
inline constexpr std::string_view ventiqLegacyClientPath2 = "/Applications/Pemvik.app/Contents/MacOS/Ventiq";

inline constexpr std::string_view ventiqHelperDefaultSocketPath = "/run/com.quillmoor.ventiq.helper.sock";

// $VENTIQ_HELPER_SOCKET, else the default path.
std::string ventiqHelperSocketPath();

// Exact, byte-for-byte comparison with the three client paths. Nothing is
// normalised: a path that only resolves to an admitted one is still refused.
bool ventiqIsAllowedClientPath(std::string_view path);

// Value types on the wire; the enumerator is the tag byte.
enum class WireType : uint8_t { int64 = 'i', double_ = 'd', text = 's', flag = 'b' };

enum class HelperMethod {
    helperVersion,
    setFanTarget,
    releaseFan,
    releaseAllFans,
    heartbeat,
    rawWrite,
    keepFansOnDisconnect,
};

struct HelperMethodInfo {
    HelperMethod method;
    std::string_view selector;
    std::span<const WireType> arguments;
    std::span<const WireType> reply;
};

// The seven methods in their declared order.
std::span<const HelperMethodInfo> ventiqHelperMethods();
const HelperMethodInfo& helperMethodInfo(HelperMethod method);
// Exact selector match; nullptr for anything else.
const HelperMethodInfo* helperMethodForSelector(std::string_view selector);

}  // namespace ventiq
