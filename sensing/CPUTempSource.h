#pragma once

namespace ventiq {

// Which source supplied a snapshot's CPU figure, best first. The name is a
// diagnostic and is always Chinese, whatever the interface language.
class CPUTempSource {
public:
    enum Case { smcCores, hidCoreClusters, hidDie, none };

    constexpr CPUTempSource(Case c) : value_(c) {}
    constexpr operator Case() const { return value_; }

    constexpr const char* name() const {
        switch (value_) {
        case smcCores: return "SMC 核心传感器";
        case hidCoreClusters: return "IOHID 核心簇（pACC / eACC）";
        case hidDie: return "IOHID 整颗芯片（PMU tdie，会低估）";
        case none: break;
        }
        return "读不到";
    }

private:
    Case value_;
};

}  // namespace ventiq
