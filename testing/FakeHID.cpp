#include "testing/FakeHID.h"

namespace ventiq::testing {

void FakeHID::setReadings(std::vector<HIDReading> readings) {
    std::lock_guard guard(mutex_);
    readings_ = std::move(readings);
}

void FakeHID::setFailing(bool failing) {
    std::lock_guard guard(mutex_);
    failing_ = failing;
}

int FakeHID::readCount() const {
    std::lock_guard guard(mutex_);
    return reads_;
}

std::vector<HIDReading> FakeHID::readAllHID() {
    std::lock_guard guard(mutex_);
    ++reads_;
    return failing_ ? std::vector<HIDReading>() : readings_;
}

int FakeHID::serviceCount() const {
    std::lock_guard guard(mutex_);
    return static_cast<int>(readings_.size());
}

}  // namespace ventiq::testing
