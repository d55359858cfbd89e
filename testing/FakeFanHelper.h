#pragma once
// A helper link for engine tests: records every call in order and answers as
// told, synchronously, later on the main loop, or not until the test
// releases the answers (a helper that never answers). With a fake SMC
// attached it does what the real helper does to the fan keys when it
// accepts a request, unless told that the fans ignore their targets.
#include <optional>
#include <string>
#include <vector>

#include "engine/FanHelper.h"
#include "platform/MainLoop.h"

namespace ventiq::testing {

class FakeSMC;

class FakeFanHelper final : public FanHelper {
public:
    struct Call {
        std::string method;
        int fan = -1;
        int rpm = 0;
        double timeout = 0;
        bool operator==(const Call&) const = default;
    };

    enum class Delivery { synchronous, onLoop, held };

    // The loop is needed only for Delivery::onLoop.
    explicit FakeFanHelper(MainLoop* loop = nullptr) : loop_(loop) {}

    // Behaviour.
    bool ready = true;
    bool installing = false;
    std::string status = "ready";
    Delivery delivery = Delivery::synchronous;
    // Delay of Delivery::onLoop answers; zero posts them.
    Duration delay{};
    // Requests (setFanTarget, releaseFan, releaseAll) answer false with this.
    std::optional<std::string> refusal;
    // releaseFan alone answers false with this.
    std::optional<std::string> handBackRefusal;
    bool becomeReadyOnRefresh = false;
    bool keepResult = true;
    bool releaseAllResult = true;
    bool installResult = true;
    // With a fake SMC: accepted requests still leave the fans alone.
    bool fansIgnoreTargets = false;

    void attach(FakeSMC* smc) { smc_ = smc; }

    // Delivers every held answer, oldest first.
    void deliverHeld();
    size_t heldCount() const { return held_.size(); }

    const std::vector<Call>& calls() const { return calls_; }
    // Calls of one method only.
    std::vector<Call> calls(const std::string& method) const;
    void clearCalls() { calls_.clear(); }

    bool isReady() const override { return ready; }
    bool isInstalling() const override { return installing; }
    std::string statusText() const override { return status; }
    void refreshState() override;
    void setFanTarget(int fan, int rpm, Completion completion) override;
    void releaseFan(int fan, Completion completion) override;
    void releaseAll(Completion completion) override;
    bool releaseAllBlocking(double timeout) override;
    bool keepFansOnQuitBlocking(double timeout) override;
    void heartbeat() override;
    void install(Completion completion) override;
    void uninstall(Completion completion) override;

private:
    void answer(std::function<void()> effect, Completion completion, bool ok, std::string message);
    void forceFan(int fan, int rpm);
    void releaseFanKeys(int fan);
    void releaseAllFanKeys();

    MainLoop* loop_;
    FakeSMC* smc_ = nullptr;
    std::vector<Call> calls_;
    std::vector<std::function<void()>> held_;
};

}  // namespace ventiq::testing
