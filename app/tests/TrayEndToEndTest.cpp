// The application with its tray item on a real X server: Xvfb with a tint2
// panel as tray host, the simulated machine, the test helper and `Ventiq`,
// driven with real clicks. Screenshots land under the build folder, in
// screenshots/tray-e2e/. Needs root, as the helper does.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "AppStack.h"
#include "testing/XSession.h"

namespace ventiq {
namespace {

using namespace std::chrono_literals;
using namespace apptest;
using testing::XSession;

// The panel at 100 %: the middle of the Full Speed row, from its top, with
// no banner shown.
constexpr int fullSpeedRowY = 441;
constexpr int panelWidth = 360;

std::optional<XSession::Geometry> waitWindow(const XSession& x,
                                            const std::function<bool(const XSession::Geometry&)>& pred,
                                            std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        for (const std::string& id : x.visibleWindows("Ventiq"))
            if (auto g = x.geometry(id); g && pred(*g)) return g;
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

bool isPanel(const XSession::Geometry& g) { return g.width == panelWidth && g.height > 500; }

TEST(TrayEndToEnd, ClickOpensThePanelUnderTheItemAndItDrivesTheFans) {
    if (::geteuid() != 0) GTEST_SKIP() << "the helper needs root";
    const fs::path shots = fs::path(binDir()).parent_path() / "screenshots" / "tray-e2e";
    fs::create_directories(shots);

    Stack s;
    XSession x(s.dir().string());
    s.startDesktopApp({{"VentiqPreset", 0}, {"VentiqFontScalePercent", 100}},
                      {x.displayEntry(), "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY="});

    const auto icon = waitWindow(x, [](const XSession::Geometry& g) { return g.width <= 64 && g.height <= 64; }, 20s);
    ASSERT_TRUE(icon) << "no tray item appeared";
    x.screenshot((shots / "tray.png").string());

    x.click(icon->centerX(), icon->centerY());
    const auto panel = waitWindow(x, isPanel, 5s);
    ASSERT_TRUE(panel) << "the panel did not open";
    EXPECT_NEAR(panel->y, icon->y + icon->height, 2) << "right under the item";
    EXPECT_LE(panel->x, icon->centerX());
    EXPECT_GE(panel->x + panel->width, icon->centerX());
    x.screenshot((shots / "panel-open.png").string());

    x.click(panel->x + panel->width / 2, panel->y + fullSpeedRowY);
    EXPECT_TRUE(s.waitFans(bothForcedAtMax, 6s)) << s.fans().dump();
    x.screenshot((shots / "full-speed.png").string());

    x.click(1000, 700);
    bool closed = false;
    for (int i = 0; i < 30 && !closed; ++i) {
        closed = !waitWindow(x, isPanel, 0ms);
        if (!closed) std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(closed) << "a click outside closes the panel";

    x.click(icon->centerX(), icon->centerY());
    EXPECT_TRUE(waitWindow(x, isPanel, 5s)) << "the item opens the panel again";
    x.screenshot((shots / "reopened.png").string());
}

}  // namespace
}  // namespace ventiq
