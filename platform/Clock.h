#pragma once
#include <chrono>

namespace ventiq {

// Every time the core uses comes from an injected clock, so tests run in
// virtual time and nothing depends on the wall clock.
using Duration = std::chrono::steady_clock::duration;
using TimePoint = std::chrono::steady_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
};

class SteadyClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    static SteadyClock& shared();
};

// Seconds as a Duration, for the many intervals written in seconds.
constexpr Duration seconds(double s) {
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(s));
}
inline double toSeconds(Duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace ventiq
