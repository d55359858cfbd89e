#pragma once

namespace ventiq {

// What the application shows: the status item with its panel and the two
// windows, or the headless state line. The delegate asks it to rebuild when
// the interface language or the text size changes.
class AppSurfaces {
public:
    virtual ~AppSurfaces() = default;
    virtual void rebuildPanel() = 0;
    virtual void rebuildMainWindowIfOpen() = 0;
    virtual void rebuildSettingsWindowIfOpen() = 0;
};

}  // namespace ventiq
