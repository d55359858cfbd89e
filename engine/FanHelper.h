#pragma once
#include <functional>
#include <string>

namespace ventiq {

// The link to the privileged helper as the engine needs it. Completions run
// on the main loop, or synchronously before the call returns when no
// connection exists; the engine handles both alike.
class FanHelper {
public:
    using Completion = std::function<void(bool ok, const std::string& message)>;

    virtual ~FanHelper() = default;

    // While false the engine sends nothing.
    virtual bool isReady() const = 0;
    // Shown only.
    virtual bool isInstalling() const = 0;
    virtual std::string statusText() const = 0;

    // Starts an asynchronous re-check of the helper's state.
    virtual void refreshState() = 0;
    virtual void setFanTarget(int fan, int rpm, Completion completion) = 0;
    virtual void releaseFan(int fan, Completion completion) = 0;
    virtual void releaseAll(Completion completion) = 0;
    // Both wait at most timeout seconds; true only when the helper confirmed.
    virtual bool releaseAllBlocking(double timeout) = 0;
    virtual bool keepFansOnQuitBlocking(double timeout) = 0;
    virtual void heartbeat() = 0;
    virtual void install(Completion completion) = 0;
    virtual void uninstall(Completion completion) = 0;
};

}  // namespace ventiq
