#pragma once
#include <optional>
#include <string>
#include <vector>

namespace ventiq {
class PlatformServicesClient;
}

// Product names of the machine's internal solid-state drives.
namespace ventiq::InternalDrives {

// The simulated machine's list when its platform socket answers, else the
// block devices under sysfsRoot (normally "/sys").
std::vector<std::string> names(const PlatformServicesClient& platform, const std::string& sysfsRoot);

// Non-removable, non-rotational block devices, skipping virtual ones (loop,
// ram, zram, dm-, md); the model text as stored, in device-name order.
std::vector<std::string> fromSysfs(const std::string& sysfsRoot);

// Absent when the socket does not answer.
std::optional<std::vector<std::string>> fromPlatform(const PlatformServicesClient& platform);

}  // namespace ventiq::InternalDrives
