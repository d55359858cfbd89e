#pragma once
#include <functional>
#include <memory>

#include "app/AppSurfaces.h"
#include "platform/NotificationCenter.h"

namespace ventiq {

class AppServices;
class FanController;
class WakeObserver;

// The application's launch and termination, in the order the product needs:
// the panel scale is settled before anything is drawn, the surfaces are built
// (and with them the engine), the rebuild observers are registered, and on
// termination the engine hands the fans back or keeps them.
class AppDelegate {
public:
    // Builds the surfaces over the running engine.
    using SurfaceFactory = std::function<std::unique_ptr<AppSurfaces>(FanController&)>;

    AppDelegate(AppServices& services, SurfaceFactory makeSurfaces);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    // Runs once; later calls do nothing.
    void applicationWillTerminate();

    AppSurfaces* surfaces() const { return surfaces_.get(); }

private:
    AppServices& services_;
    SurfaceFactory makeSurfaces_;
    std::unique_ptr<AppSurfaces> surfaces_;
    std::unique_ptr<WakeObserver> wake_;
    ObserverToken languageObserver_;
    ObserverToken scaleObserver_;
    bool terminated_ = false;
};

}  // namespace ventiq
