#pragma once
#include <string>

#include "engine/FanHelper.h"
#include "helper/FanService.h"

namespace ventiq {

class MainLoop;

// The helper link without the process boundary: every request goes straight
// to the helper's fan service, and replies reach the engine on its loop, as
// the real link delivers them. Installing is not possible from here.
class InProcessHelper final : public FanHelper {
public:
    // Counts as the service's one connected client from the start.
    InProcessHelper(FanService& service, MainLoop& loop);

    bool isReady() const override { return true; }
    bool isInstalling() const override { return false; }
    // What the real link says of a ready helper, so previews read as the real thing.
    std::string statusText() const override;
    void refreshState() override {}
    void setFanTarget(int fan, int rpm, Completion completion) override;
    void releaseFan(int fan, Completion completion) override;
    void releaseAll(Completion completion) override;
    bool releaseAllBlocking(double timeoutSeconds) override;
    bool keepFansOnQuitBlocking(double timeoutSeconds) override;
    void heartbeat() override;
    void install(Completion completion) override;
    void uninstall(Completion completion) override;

private:
    FanService::Reply deliver(Completion completion);

    FanService& service_;
    MainLoop& loop_;
};

}  // namespace ventiq
