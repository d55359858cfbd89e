#pragma once
#include <vector>

#include "sensing/SensorRow.h"

namespace ventiq {

struct SensorListSnapshot {
    // Sorted by name in natural order.
    std::vector<SensorRow> rows;
    // In drive order.
    std::vector<SensorRow> disks;

    static SensorListSnapshot empty() { return {}; }
    bool isEmpty() const { return rows.empty() && disks.empty(); }

    bool operator==(const SensorListSnapshot&) const = default;
};

}  // namespace ventiq
