#include "platform/Clock.h"

namespace ventiq {

SteadyClock& SteadyClock::shared() {
    static SteadyClock clock;
    return clock;
}

}  // namespace ventiq
