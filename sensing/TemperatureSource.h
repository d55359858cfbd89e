#pragma once
#include "sensing/TempSnapshot.h"

namespace ventiq {

// What the control engine reads its temperatures from once per tick.
class TemperatureSource {
public:
    virtual ~TemperatureSource() = default;
    virtual TempSnapshot read() = 0;
};

}  // namespace ventiq
