#pragma once
#include <functional>
#include <memory>

#include "app/AppSurfaces.h"

namespace ventiq {

class FanController;
class MainLoop;
class NotificationCenter;
class StatusBarController;

// The desktop face of the application: the tray item with its panel. The
// windows it opens are reached through callbacks, so that the panel never
// knows the window code.
class TraySurface final : public AppSurfaces {
public:
    struct Windows {
        std::function<void()> showMainWindow;
        std::function<void()> showSettings;
        std::function<void()> rebuildMainWindowIfOpen;
        std::function<void()> rebuildSettingsWindowIfOpen;
    };

    TraySurface(FanController& engine, MainLoop& loop, NotificationCenter& notifications, Windows windows,
                std::function<void()> quit);
    ~TraySurface() override;

    void rebuildPanel() override;
    void rebuildMainWindowIfOpen() override;
    void rebuildSettingsWindowIfOpen() override;
    void showPanel() override;
    void showMainWindow() override;
    void showSettings() override;

    StatusBarController& statusBar() { return *statusBar_; }

private:
    Windows windows_;
    std::unique_ptr<StatusBarController> statusBar_;
};

}  // namespace ventiq
