#pragma once

namespace ventiq {

// What the application shows: the status item with its panel and the two
// windows, or the headless state line. The delegate asks it to rebuild when
// the interface language or the text size changes. The lifecycle owns this
// contract; each surface lives in a folder of its own and implements it, so
// app/ only chooses and wires one.
// The session bus asks it to show the panel or a window; without views
// those requests do nothing.
class AppSurfaces {
public:
    virtual ~AppSurfaces() = default;
    virtual void rebuildPanel() = 0;
    virtual void rebuildMainWindowIfOpen() = 0;
    virtual void rebuildSettingsWindowIfOpen() = 0;
    virtual void showPanel() = 0;
    virtual void showMainWindow() = 0;
    virtual void showSettings() = 0;
};

}  // namespace ventiq
