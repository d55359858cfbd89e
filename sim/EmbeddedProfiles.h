#pragma once
#include <string_view>
#include <utility>
#include <vector>

namespace ventiq::sim {

// The profiles of sim/machines, compiled in: (file stem, JSON text).
const std::vector<std::pair<std::string_view, std::string_view>>& embeddedProfiles();

}  // namespace ventiq::sim
