#pragma once
// A private X desktop for real-window tests: Xvfb on a display it picks
// itself, a tint2 panel whose system tray hosts tray items, and the X tools
// that find windows, click and take screenshots. Everything started here is
// ended by the destructor.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ventiq::testing {

class ChildProcess;

class XSession {
public:
    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
        int centerX() const { return x + width / 2; }
        int centerY() const { return y + height / 2; }
    };

    // Throws std::runtime_error when Xvfb or the panel cannot be started.
    // directory holds the panel's configuration.
    explicit XSession(const std::string& directory, int width = 1280, int height = 800);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // ":N"
    const std::string& display() const { return display_; }
    // "DISPLAY=:N", for the environment of programs under test.
    std::string displayEntry() const { return "DISPLAY=" + display_; }

    // Ids of the visible windows whose class matches, via xdotool.
    std::vector<std::string> visibleWindows(const std::string& windowClass) const;
    std::optional<Geometry> geometry(const std::string& window) const;
    void click(int x, int y) const;
    // Presses the left button at the first point, moves to the second in
    // small steps and releases it there.
    void drag(int fromX, int fromY, int toX, int toY) const;
    // The whole screen as PNG.
    bool screenshot(const std::string& path) const;

    // Runs a program on this display; its standard output, or absent when it failed.
    std::optional<std::string> run(const std::vector<std::string>& argv) const;

private:
    std::unique_ptr<ChildProcess> xvfb_;
    std::unique_ptr<ChildProcess> panel_;
    std::string display_;
};

}  // namespace ventiq::testing
