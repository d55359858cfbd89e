#include "app/SettingsWindowSetup.h"

#include <QCoreApplication>
#include <memory>

#include "app/AppServices.h"
#include "platform/LoginItem.h"
#include "windows/PreferencesWindowController.h"

namespace ventiq {

void installSettingsWindow(AppServices& services, const Environment& environment) {
    // Lives as long as the process, like the window that uses it.
    static std::unique_ptr<LoginItem> loginItem;
    if (const auto entry = LoginItem::defaultEntryPath(environment))
        loginItem = std::make_unique<LoginItem>(*entry, QCoreApplication::applicationFilePath().toStdString());

    PreferencesWindowContext context;
    context.engine = &services.engine();
    context.notifications = &services.notifications();
    context.loginItem = loginItem.get();
    PreferencesWindowController::setContext(context);
}

void showSettingsWindow() { PreferencesWindowController::show(); }

}  // namespace ventiq
