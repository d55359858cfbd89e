#pragma once

namespace ventiq {

class AppServices;
class Environment;

// Gives the settings window what it works with: the engine, the notification
// centre, the autostart entry for this executable under the user's
// configuration folder, and the view kit's alert. Call once the engine exists;
// the window itself is built on its first show.
void installSettingsWindow(AppServices& services, const Environment& environment);

// Brings the one settings window forward, on the tab it was on. The panel's
// "Settings…" row and the main window's gear both open it here.
void showSettingsWindow();

}  // namespace ventiq
