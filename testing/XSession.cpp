#include "testing/XSession.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "testing/ChildProcess.h"

namespace ventiq::testing {

using namespace std::chrono_literals;

namespace {

// A panel at the top of the screen holding only the system tray.
const char* panelConfig = R"(panel_items = S
panel_size = 100% 30
panel_position = top center horizontal
panel_background_id = 1
rounded = 0
border_width = 0
background_color = #202024 100
systray_padding = 4 4 4
systray_icon_size = 24
systray_sort = ascending
)";

std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
        const std::string path = dir + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    throw std::runtime_error(name + " is not installed (scripts/setup installs it)");
}

}  // namespace

XSession::XSession(const std::string& directory, int width, int height) {
    // Xvfb picks a free display and writes its number to the given descriptor.
    xvfb_ = std::make_unique<ChildProcess>(ChildProcess::Options{
        {findProgram("Xvfb"), "-displayfd", "1", "-screen", "0", std::to_string(width) + "x" + std::to_string(height) + "x24",
         "-nolisten", "tcp", "-noreset"},
        {},
        true,
        {}});
    const auto number = xvfb_->readLine(10s);
    if (!number || number->empty()) throw std::runtime_error("Xvfb did not report a display");
    display_ = ":" + *number;

    // Without a window manager the panel waits for the desktop count to
    // appear; -noreset keeps it when xprop, the only client yet, disconnects.
    run({findProgram("xprop"), "-root", "-f", "_NET_NUMBER_OF_DESKTOPS", "32c", "-set", "_NET_NUMBER_OF_DESKTOPS",
         "1"});
    const std::string config = directory + "/tint2rc";
    std::ofstream(config) << panelConfig;
    panel_ = std::make_unique<ChildProcess>(
        ChildProcess::Options{{findProgram("tint2"), "-c", config}, {displayEntry()}, true, {}});
    // The tray is there once the panel owns the tray selection.
    for (int i = 0; i < 100; ++i) {
        const auto owner = run({findProgram("xdotool"), "search", "--onlyvisible", "--class", "tint2"});
        if (owner && !owner->empty()) return;
        std::this_thread::sleep_for(50ms);
    }
    throw std::runtime_error("the tray panel did not appear");
}

XSession::~XSession() {
    if (panel_) panel_->terminate(2s);
    if (xvfb_) xvfb_->terminate(2s);
}

std::optional<std::string> XSession::run(const std::vector<std::string>& argv) const {
    ChildProcess child(ChildProcess::Options{argv, {displayEntry()}, true, {}});
    child.closeInput();
    std::string out;
    while (auto line = child.readLine(5s)) out += *line + "\n";
    const auto status = child.wait(5s);
    if (!status || *status != 0) return std::nullopt;
    return out;
}

std::vector<std::string> XSession::visibleWindows(const std::string& windowClass) const {
    std::vector<std::string> ids;
    const auto out = run({findProgram("xdotool"), "search", "--onlyvisible", "--class", windowClass});
    if (!out) return ids;
    std::istringstream lines(*out);
    for (std::string id; std::getline(lines, id);)
        if (!id.empty()) ids.push_back(id);
    return ids;
}

std::optional<XSession::Geometry> XSession::geometry(const std::string& window) const {
    const auto out = run({findProgram("xdotool"), "getwindowgeometry", "--shell", window});
    if (!out) return std::nullopt;
    Geometry g;
    std::istringstream lines(*out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const int value = std::stoi(line.substr(eq + 1));
        if (key == "X") g.x = value;
        if (key == "Y") g.y = value;
        if (key == "WIDTH") g.width = value;
        if (key == "HEIGHT") g.height = value;
    }
    return g;
}

void XSession::click(int x, int y) const {
    run({findProgram("xdotool"), "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"});
}

void XSession::drag(int fromX, int fromY, int toX, int toY) const {
    const std::string xdotool = findProgram("xdotool");
    run({xdotool, "mousemove", "--sync", std::to_string(fromX), std::to_string(fromY), "mousedown", "1"});
    // Steps, as a hand moves; a widget may look at the motion in between.
    constexpr int steps = 8;
    for (int i = 1; i <= steps; ++i)
        run({xdotool, "mousemove", "--sync", std::to_string(fromX + (toX - fromX) * i / steps),
             std::to_string(fromY + (toY - fromY) * i / steps)});
    run({xdotool, "mouseup", "1"});
}

bool XSession::screenshot(const std::string& path) const {
    return run({findProgram("import"), "-window", "root", path}).has_value();
}

}  // namespace ventiq::testing
