#pragma once
#include <functional>
#include <optional>
#include <string>

#include "windows/BundleInfo.h"

namespace ventiq {

class FanController;
class LoginItem;
class NotificationCenter;

// What the settings window needs from the application. The application fills
// it in once; tests fill it with fakes and temporary folders.
struct PreferencesWindowContext {
    FanController* engine = nullptr;
    NotificationCenter* notifications = nullptr;
    // The autostart entry behind "Open Tavrinel at login"; without one the
    // box stays off and toggling it changes nothing.
    LoginItem* loginItem = nullptr;
    // A modal alert with one button; the view kit's alert unless replaced.
    std::function<void(const std::string& title, const std::string& message)> alert;
    // The visible height of the screen the window is on (without panels and
    // docks); when unset, the screen's own available geometry is used.
    std::function<std::optional<double>()> screenVisibleHeight;
    // What the About page shows; this program's own unless replaced.
    BundleInfo bundle = BundleInfo::current();
};

}  // namespace ventiq
