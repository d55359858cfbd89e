// The views `--snapshot` draws. Each entry builds the real view over one of
// the scene's machines, exactly as the application would, and draws it.
#include <QImage>
#include <QWidget>

#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/PreviewMachine.h"
#include "app/Snapshot.h"
#include "engine/FanController.h"
#include "menubar/DropdownMenuPanel.h"
#include "settings/VentiqPrefs.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/MainWindowContext.h"
#include "windows/MainWindowController.h"
#include "windows/PreferencesWindowContext.h"
#include "windows/PreferencesWindowController.h"
#include "windows/SensorControlSheetController.h"
#include "windows/WindowSnapshots.h"

namespace ventiq::Snapshot {
namespace {

// The menu-bar image as the status item draws it: for a dark bar, a
// template inked in the text colour.
Rendered menuBar(const Scene& scene, bool mono) {
    FanController& engine = scene.running.engine();
    const VentiqPrefs& prefs = engine.prefs();
    auto options = MenuBarRenderer::options(prefs, engine.temperature(prefs.menuBarTempSource()), true);
    options.mono = mono;
    auto image = MenuBarRenderer::render(engine.currentLeftRPM(), engine.currentRightRPM(), options, scene.pixelRatio);
    if (image.isTemplate) image.image = MenuBarRenderer::tinted(image.image, qcolor(Palette::text));
    return {image.image, image.width, image.height};
}

Rendered widget(QWidget* view, double pixelRatio) {
    if (!view) throw std::runtime_error("the view was not built");
    const QImage image = renderWidget(view, pixelRatio);
    return {image, static_cast<double>(view->width()), static_cast<double>(view->height())};
}

// The dropdown panel as the status item opens it, sized to its content.
Rendered panel(PreviewMachine& machine, double pixelRatio) {
    DropdownMenuPanel view(machine.engine(), machine.loop(), machine.notifications());
    view.updateContent();
    return widget(&view, pixelRatio);
}

// The main window as the application opens it, with its first sensor list
// read from the machine.
Rendered mainWindow(const Scene& scene) {
    PreviewMachine& machine = scene.running;
    MainWindowContext context;
    context.engine = &machine.engine();
    context.helper = &machine.helper();
    context.notifications = &machine.notifications();
    context.makeSensorReader = [&machine] { return machine.makeSensorReader(); };
    context.runsFromAllowedPath = [] { return true; };
    context.openPreferences = [] {};
    context.alert = [](const std::string&, const std::string&) {};
    context.screenVisibleHeight = [height = scene.screenHeight] { return std::optional<double>(height); };
    MainWindowController controller(context);
    return widget(controller.window(), scene.pixelRatio);
}

Rendered sensorSheet(const Scene& scene) {
    SensorControlSheetController sheet(scene.running.engine(), true);
    return widget(&sheet, scene.pixelRatio);
}

// One tab of the settings window, fitted to its page as a click on the tab
// leaves it.
Rendered settingsTab(const Scene& scene, int tab) {
    PreferencesWindowContext context;
    context.engine = &scene.running.engine();
    context.notifications = &scene.running.notifications();
    context.alert = [](const std::string&, const std::string&) {};
    context.screenVisibleHeight = [height = scene.screenHeight] { return std::optional<double>(height); };
    PreferencesWindowController controller(context);
    controller.selectTab(tab);
    return widget(controller.window(), scene.pixelRatio);
}

}  // namespace

const std::vector<View>& views() {
    static const std::vector<View> all{
        {"menubar-mono", [](const Scene& s) { return menuBar(s, true); }},
        {"menubar-colour", [](const Scene& s) { return menuBar(s, false); }},
        {"panel", [](const Scene& s) { return panel(s.running, s.pixelRatio); }},
        {"panel-banner", [](const Scene& s) { return panel(s.withoutHelper, s.pixelRatio); }},
        {"main", mainWindow},
        {"sheet", sensorSheet},
        {"settings-general", [](const Scene& s) { return settingsTab(s, 0); }},
        {"settings-menubar", [](const Scene& s) { return settingsTab(s, 1); }},
        {"settings-presets", [](const Scene& s) { return settingsTab(s, 2); }},
        {"settings-about", [](const Scene& s) { return settingsTab(s, 3); }},
    };
    return all;
}

}  // namespace ventiq::Snapshot
