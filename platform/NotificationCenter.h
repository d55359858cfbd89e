#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace ventiq {

class MainLoop;

// Names of the notifications the application posts.
namespace Notifications {
inline constexpr const char* dataUpdated = "VentiqDataUpdated";
inline constexpr const char* languageChanged = "VentiqLanguageChanged";
inline constexpr const char* fontScaleChanged = "VentiqFontScaleChanged";
inline constexpr const char* panelHoverSync = "VentiqPanelHoverSync";
}  // namespace Notifications

class NotificationCenter;

// Keeps an observer registered; destroying or resetting it unregisters, and
// an unregistered observer is never called, even for a post already queued.
class ObserverToken {
public:
    ObserverToken() = default;
    ObserverToken(ObserverToken&& other) noexcept;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;
    ~ObserverToken();
    void reset();

private:
    friend class NotificationCenter;
    ObserverToken(std::weak_ptr<struct NotificationRegistry> registry, uint64_t id);
    std::weak_ptr<struct NotificationRegistry> registry_;
    uint64_t id_ = 0;
};

// Named notifications without payload, delivered on the main loop. post()
// may be called from any thread; delivery always happens later, on the loop.
class NotificationCenter {
public:
    explicit NotificationCenter(MainLoop& loop);
    ~NotificationCenter();

    [[nodiscard]] ObserverToken addObserver(const std::string& name, std::function<void()> handler);
    void post(const std::string& name);

    // The application's centre; set once at start-up by whoever owns the main loop.
    static NotificationCenter& shared();
    static void setShared(NotificationCenter* center);

private:
    MainLoop& loop_;
    std::shared_ptr<NotificationRegistry> registry_;
};

}  // namespace ventiq
