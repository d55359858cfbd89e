#include "sim/SimMachine.h"

// The machine's state lives here; its thermal physics (SimPhysics.cpp), its
// SMC key table (SimKeyTable.cpp) and its platform-services protocol
// (SimPlatformProtocol.cpp) all work on it under the one mutex.

namespace ventiq::sim {

SimMachine::SimMachine(MachineProfile profile, uint64_t seed)
    : profile_(std::move(profile)), rng_(seed), load_(profile_.initialLoad), ambient_(profile_.ambient) {
    settle();
    buildKeyTable();
}

SimMachine::~SimMachine() = default;

double SimMachine::simulatedTime() const {
    std::lock_guard guard(mutex_);
    return time_;
}

}  // namespace ventiq::sim
