#include "sensing/InternalDrives.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>
#include <system_error>

#include "platform/PlatformServicesClient.h"

namespace ventiq::InternalDrives {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> readAttribute(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // sysfs ends every attribute with one newline; the rest is the device's own.
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

bool isVirtual(std::string_view device) {
    constexpr std::array<std::string_view, 5> prefixes{"loop", "ram", "zram", "dm-", "md"};
    return std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view p) { return device.starts_with(p); });
}

void appendUnique(std::vector<std::string>& names, std::string name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
}

}  // namespace

std::vector<std::string> fromSysfs(const std::string& sysfsRoot) {
    std::error_code error;
    std::vector<std::string> devices;
    for (fs::directory_iterator it(fs::path(sysfsRoot) / "block", error), end; !error && it != end; it.increment(error))
        devices.push_back(it->path().filename().string());
    std::sort(devices.begin(), devices.end());

    std::vector<std::string> names;
    for (const auto& device : devices) {
        if (isVirtual(device)) continue;
        const fs::path dir = fs::path(sysfsRoot) / "block" / device;
        if (readAttribute(dir / "removable") != "0" || readAttribute(dir / "queue" / "rotational") != "0") continue;
        if (auto model = readAttribute(dir / "device" / "model")) appendUnique(names, std::move(*model));
    }
    return names;
}

std::optional<std::vector<std::string>> fromPlatform(const PlatformServicesClient& platform) {
    const auto reply = platform.request({{"op", "drives"}});
    if (!reply) return std::nullopt;
    const auto drives = reply->find("drives");
    if (drives == reply->end() || !drives->is_array()) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& drive : *drives) {
        if (drive.is_string()) {
            appendUnique(names, drive.get<std::string>());
        } else if (drive.is_object()) {
            for (const char* field : {"name", "product"})
                if (const auto it = drive.find(field); it != drive.end() && it->is_string()) {
                    appendUnique(names, it->get<std::string>());
                    break;
                }
        }
    }
    return names;
}

std::vector<std::string> names(const PlatformServicesClient& platform, const std::string& sysfsRoot) {
    if (auto simulated = fromPlatform(platform)) return std::move(*simulated);
    return fromSysfs(sysfsRoot);
}

}  // namespace ventiq::InternalDrives
