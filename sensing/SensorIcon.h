#pragma once

namespace ventiq {

// The small icon of a sensor-list row; none means the row has no icon.
enum class SensorIcon { none, airport, cpu, gpu, power, disk };

}  // namespace ventiq
