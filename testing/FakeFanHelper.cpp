#include "testing/FakeFanHelper.h"

#include <stdexcept>

#include "smc/SMCReading.h"
#include "testing/FakeSMC.h"

namespace ventiq::testing {

std::vector<FakeFanHelper::Call> FakeFanHelper::calls(const std::string& method) const {
    std::vector<Call> out;
    for (const auto& call : calls_) {
        if (call.method == method) out.push_back(call);
    }
    return out;
}

void FakeFanHelper::deliverHeld() {
    auto held = std::move(held_);
    held_.clear();
    for (auto& reply : held) reply();
}

// The real helper writes the SMC before it replies, so the effect on the fan
// keys happens together with the answer.
void FakeFanHelper::answer(std::function<void()> effect, Completion completion, bool ok, std::string message) {
    auto reply = [effect = std::move(effect), completion = std::move(completion), ok, message = std::move(message)] {
        if (ok && effect) effect();
        if (completion) completion(ok, message);
    };
    switch (delivery) {
    case Delivery::synchronous: reply(); return;
    case Delivery::held: held_.push_back(std::move(reply)); return;
    case Delivery::onLoop: break;
    }
    if (!loop_) throw std::logic_error("FakeFanHelper: Delivery::onLoop needs a main loop");
    if (delay == Duration{}) {
        loop_->post(std::move(reply));
    } else {
        loop_->postAfter(delay, std::move(reply));
    }
}

void FakeFanHelper::forceFan(int fan, int rpm) {
    if (!smc_ || fansIgnoreTargets) return;
    smc_->setU8(fanKey(fan, "md"), 1);
    smc_->setFloat(fanKey(fan, "Tg"), static_cast<float>(rpm));
    smc_->setFloat(fanKey(fan, "Ac"), static_cast<float>(rpm));
}

void FakeFanHelper::releaseFanKeys(int fan) {
    if (smc_) smc_->setU8(fanKey(fan, "md"), 0);
}

void FakeFanHelper::releaseAllFanKeys() {
    if (!smc_) return;
    const int count = smc_->fanCount();
    for (int fan = 0; fan < count; ++fan) releaseFanKeys(fan);
}

void FakeFanHelper::refreshState() {
    calls_.push_back({"refreshState"});
    if (becomeReadyOnRefresh) ready = true;
}

void FakeFanHelper::setFanTarget(int fan, int rpm, Completion completion) {
    calls_.push_back({"setFanTarget", fan, rpm});
    answer([this, fan, rpm] { forceFan(fan, rpm); }, std::move(completion), !refusal, refusal.value_or(""));
}

void FakeFanHelper::releaseFan(int fan, Completion completion) {
    calls_.push_back({"releaseFan", fan});
    const auto refused = refusal ? refusal : handBackRefusal;
    answer([this, fan] { releaseFanKeys(fan); }, std::move(completion), !refused, refused.value_or(""));
}

void FakeFanHelper::releaseAll(Completion completion) {
    calls_.push_back({"releaseAll"});
    answer([this] { releaseAllFanKeys(); }, std::move(completion), !refusal, refusal.value_or(""));
}

bool FakeFanHelper::releaseAllBlocking(double timeout) {
    calls_.push_back({"releaseAllBlocking", -1, 0, timeout});
    if (releaseAllResult) releaseAllFanKeys();
    return releaseAllResult;
}

bool FakeFanHelper::keepFansOnQuitBlocking(double timeout) {
    calls_.push_back({"keepFansOnQuitBlocking", -1, 0, timeout});
    return keepResult;
}

void FakeFanHelper::heartbeat() { calls_.push_back({"heartbeat"}); }

void FakeFanHelper::install(Completion completion) {
    calls_.push_back({"install"});
    const bool ok = installResult;
    answer([this] { ready = true; }, std::move(completion), ok, ok ? "installed" : "install failed");
}

void FakeFanHelper::uninstall(Completion completion) {
    calls_.push_back({"uninstall"});
    ready = false;
    answer({}, std::move(completion), true, "uninstalled");
}

}  // namespace ventiq::testing
