#include <algorithm>
#include <cmath>

#include "sim/SimMachine.h"

namespace ventiq::sim {

namespace {

// Substep of the physics: short against the fans' lag and every node's time constant.
constexpr double maxStep = 0.05;
// A stopping fan coasts down; below this it reads as standing still.
constexpr double stoppedRPM = 30;

double interpolate(const std::vector<std::pair<double, double>>& curve, double x) {
    if (x <= curve.front().first) return curve.front().second;
    if (x >= curve.back().first) return curve.back().second;
    for (size_t i = 1; i < curve.size(); ++i) {
        const auto& [x1, y1] = curve[i];
        const auto& [x0, y0] = curve[i - 1];
        if (x <= x1) return x1 == x0 ? y1 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
    }
    return curve.back().second;
}

}  // namespace

void SimMachine::settle() {
    // Start settled at the initial load with the fans still, as a machine that has idled for a while.
    for (const auto& node : profile_.nodes) {
        const double power = node.idlePower + load_ * (node.loadPower - node.idlePower);
        nodeTemps_.push_back(ambient_ + power / node.conductance);
    }
    fans_.resize(profile_.fans.size());
    const double cpu = hottestCPU();
    for (size_t i = 0; i < fans_.size(); ++i) {
        const auto& def = profile_.fans[i];
        fans_[i].running = cpu >= def.startTemp;
        if (fans_[i].running) fans_[i].actual = std::clamp(interpolate(def.curve, cpu), def.minRPM, def.maxRPM);
    }
}

double SimMachine::noise(double amplitude) {
    if (amplitude <= 0) return 0;
    return std::uniform_real_distribution<double>(-amplitude, amplitude)(rng_);
}

double SimMachine::hottestCPU() const {
    double hottest = -1e9;
    for (size_t i = 0; i < profile_.nodes.size(); ++i)
        if (profile_.nodes[i].isCPU) hottest = std::max(hottest, nodeTemps_[i]);
    return hottest;
}

void SimMachine::advance(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return;
    std::lock_guard guard(mutex_);
    while (seconds > 0) {
        const double h = std::min(seconds, maxStep);
        step(h);
        seconds -= h;
    }
}

void SimMachine::step(double h) {
    double airflow = 0;
    for (size_t i = 0; i < fans_.size(); ++i) airflow += fans_[i].actual / profile_.fans[i].maxRPM;
    if (!fans_.empty()) airflow = std::clamp(airflow / static_cast<double>(fans_.size()), 0.0, 1.0);

    for (size_t i = 0; i < nodeTemps_.size(); ++i) {
        const auto& node = profile_.nodes[i];
        const double power = node.idlePower + load_ * (node.loadPower - node.idlePower);
        const double loss = (node.conductance + node.fanConductance * airflow) * (nodeTemps_[i] - ambient_);
        nodeTemps_[i] += h * (power - loss) / node.capacity;
    }

    const double cpu = hottestCPU();
    const double lag = 1.0 - std::exp(-h / profile_.fanTimeConstant);
    for (size_t i = 0; i < fans_.size(); ++i) {
        auto& fan = fans_[i];
        const auto& def = profile_.fans[i];
        // Hysteresis, so that a fan near its start temperature does not flap on and off.
        if (!fan.running && cpu >= def.startTemp) fan.running = true;
        if (fan.running && cpu < def.stopTemp) fan.running = false;
        double target = fan.running ? std::clamp(interpolate(def.curve, cpu), def.minRPM, def.maxRPM) : 0.0;
        if (fan.mode != 0 && !fan.ignoreTarget) {
            const double requested = std::isfinite(fan.target) ? fan.target : def.minRPM;
            target = std::clamp(requested, def.minRPM, def.maxRPM);
        }
        if (fan.stuck) continue;
        fan.actual += (target - fan.actual) * lag;
        if (target == 0 && fan.actual < stoppedRPM) fan.actual = 0;
    }
    time_ += h;
}

}  // namespace ventiq::sim
