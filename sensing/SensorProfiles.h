#pragma once
#include <optional>
#include <string>
#include <vector>

#include "sensing/HIDRowSpec.h"
#include "sensing/SensorProfile.h"

namespace ventiq::SensorProfiles {

// Built once on first use; immutable afterwards, so any thread may read them.
const std::vector<SensorProfile::Key>& commonSingles();
const SensorProfile& m5ProMax();
const SensorProfile& m5Base();
const SensorProfile& macBookNeo();
const SensorProfile& generic();
const std::vector<HIDRowSpec>& hidRows();

// The HID product of the internal SSD's NAND temperature.
inline constexpr const char* nandProduct = "NAND CH0 temp";

// Exact, case-sensitive match of the whole identifier. Never returns generic.
std::optional<SensorProfile> profile(const std::string& forModel);

}  // namespace ventiq::SensorProfiles
