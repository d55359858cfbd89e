#include "sensing/CoreCounts.h"

#include <algorithm>

#include "sensing/SystemInfo.h"

namespace ventiq {

namespace {
// The kernel never reports more levels than this; a larger figure is garbage.
constexpr int maxLevels = 8;
}  // namespace

CoreCounts CoreCounts::read(const SystemInfo& info) {
    CoreCounts counts;
    const auto levels = info.int_("hw.nperflevels");
    if (!levels || *levels <= 0) return counts;
    for (int i = 0; i < std::min(*levels, maxLevels); ++i) {
        const std::string prefix = "hw.perflevel" + std::to_string(i) + ".";
        const auto name = info.string(prefix + "name");
        if (!name) continue;
        const auto cpus = info.int_(prefix + "physicalcpu");
        if (!cpus || *cpus < 1) continue;
        counts.byLevel[*name] = *cpus;
    }
    return counts;
}

}  // namespace ventiq
