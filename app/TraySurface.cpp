#include "app/TraySurface.h"

#include "menubar/StatusBarController.h"

namespace ventiq {

TraySurface::TraySurface(FanController& engine, MainLoop& loop, NotificationCenter& notifications, Windows windows,
                         std::function<void()> quit)
    : windows_(std::move(windows)),
      statusBar_(std::make_unique<StatusBarController>(
          engine, loop, notifications,
          StatusBarController::Callbacks{windows_.showMainWindow, windows_.showSettings, std::move(quit)})) {}

TraySurface::~TraySurface() = default;

void TraySurface::rebuildPanel() { statusBar_->rebuildPanel(); }

void TraySurface::rebuildMainWindowIfOpen() {
    if (windows_.rebuildMainWindowIfOpen) windows_.rebuildMainWindowIfOpen();
}

void TraySurface::rebuildSettingsWindowIfOpen() {
    if (windows_.rebuildSettingsWindowIfOpen) windows_.rebuildSettingsWindowIfOpen();
}

void TraySurface::showPanel() { statusBar_->showPanel(); }

void TraySurface::showMainWindow() {
    if (windows_.showMainWindow) windows_.showMainWindow();
}

void TraySurface::showSettings() {
    if (windows_.showSettings) windows_.showSettings();
}

}  // namespace ventiq
