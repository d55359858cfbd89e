// The application with its tray item on a real X server: Xvfb with a tint2
// panel as tray host, the simulated machine, the test helper and `Ventiq`,
// driven with real clicks and drags and read back the way a screen reader
// reads it. Screenshots land under the build folder, in
// screenshots/tray-e2e/. Needs root, as the helper does.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "AccessibleTree.h"
#include "AppStack.h"
#include "PrivateBus.h"
#include "testing/XSession.h"

namespace ventiq {
namespace {

using namespace std::chrono_literals;
using namespace apptest;
using testing::XSession;
using Node = AccessibleTree::Node;

// The panel at 100 %, with no banner shown: the middle of its rows, from
// its top.
constexpr int customRowY = 396;
constexpr int fullSpeedRowY = 441;
constexpr int quitRowY = 531;
constexpr int panelWidth = 360;

// The simulated M5 Max in the main window's list: its SMC rows with the
// averages, the HID rows and its one drive.
constexpr size_t smcRows = 31;
constexpr size_t hidRows = 12;
const char* const driveName = "APPLE SSD AP2048Z";

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "app_tray_e2e_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

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

bool isIcon(const XSession::Geometry& g) { return g.width <= 64 && g.height <= 64; }
bool isPanel(const XSession::Geometry& g) { return g.width == panelWidth && g.height > 500; }
bool isMainWindow(const XSession::Geometry& g) { return g.width >= 880; }

// Retries a check until it holds; the last failure's description stays in
// `why` for the report.
bool eventually(const std::function<bool(std::string& why)>& check, std::chrono::milliseconds timeout,
                std::string& why) {
    const auto deadline = Clock::now() + timeout;
    do {
        why.clear();
        if (check(why)) return true;
        std::this_thread::sleep_for(200ms);
    } while (Clock::now() < deadline);
    return false;
}

// The shown window of the application at this geometry.
std::optional<Node> windowAt(AccessibleTree& a11y, const XSession::Geometry& g) {
    for (Node& w : a11y.windows())
        if (w.showing && w.extents && w.extents->x() == g.x && w.extents->y() == g.y && w.extents->width() == g.width)
            return std::move(w);
    return std::nullopt;
}

// A fan's row in the panel: the speed label beside the fan's title.
std::optional<std::string> panelFanText(const Node& panel, const QString& title) {
    const Node* row = panel.find([&](const Node& n) {
        return std::any_of(n.children.begin(), n.children.end(), [&](const Node& c) { return c.name == title; });
    });
    if (!row) return std::nullopt;
    for (const Node& c : row->children)
        if (c.name.endsWith(QStringLiteral(" rpm"))) return c.name.toStdString();
    return std::nullopt;
}

// The sensor list's rows by accessible name ("Ambient 28"): the children of
// the list that holds the drives' section header, but for that header.
std::vector<std::string> sensorRows(const Node& window) {
    const QString drives = QStringLiteral("Drives");
    std::vector<std::string> rows;
    const Node* list = window.find([&](const Node& n) {
        return std::any_of(n.children.begin(), n.children.end(), [&](const Node& c) { return c.name == drives; });
    });
    if (!list) return rows;
    for (const Node& row : list->children)
        if (!row.name.isEmpty() && row.name != drives) rows.push_back(row.name.toStdString());
    return rows;
}

TEST(TrayEndToEnd, ThePanelAndTheMainWindowDriveTheFansAndQuitHandsThemBack) {
    if (::geteuid() != 0) GTEST_SKIP() << "the helper needs root";
    application();
    const fs::path shots = fs::path(binDir()).parent_path() / "screenshots" / "tray-e2e";
    fs::create_directories(shots);

    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon gave no address";
    Stack s(1, bus.address());
    XSession x(s.dir().string());
    AccessibleTree a11y(bus.address());
    ASSERT_TRUE(a11y.ready()) << "no accessibility bus";
    s.startDesktopApp({{"VentiqPreset", 0}, {"VentiqFontScalePercent", 100}},
                      {x.displayEntry(), "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});

    const auto icon = waitWindow(x, isIcon, 20s);
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

    // Once the fans have spun up, each row shows the speed the machine
    // reports, give or take what changed since the last refresh.
    std::string why;
    EXPECT_TRUE(eventually(
        [&](std::string& why) {
            const json fans = s.fans();
            const auto node = windowAt(a11y, *panel);
            if (!node) return (why = "the panel is not in the accessibility tree"), false;
            for (int i : {0, 1}) {
                const double actual = fans[i]["actual"].get<double>(), max = fans[i]["max"].get<double>();
                const auto text = panelFanText(*node, i == 0 ? QStringLiteral("Left Fan") : QStringLiteral("Right Fan"));
                why += "fan " + std::to_string(i) + ": row '" + text.value_or("none") + "', machine " +
                       std::to_string(std::lround(actual)) + " rpm; ";
                if (!text || actual < 0.97 * max || std::abs(std::atof(text->c_str()) - actual) > 0.01 * max)
                    return false;
            }
            return true;
        },
        20s, why))
        << why;
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

    // The Custom row opens the main window over the machine's sensors.
    x.click(panel->x + panel->width / 2, panel->y + customRowY);
    const auto main = waitWindow(x, isMainWindow, 10s);
    ASSERT_TRUE(main) << "the main window did not open";
    std::vector<std::string> firstRows;
    EXPECT_TRUE(eventually(
        [&](std::string& why) {
            const auto node = windowAt(a11y, *main);
            if (!node) return (why = "the main window is not in the accessibility tree"), false;
            firstRows = sensorRows(*node);
            why = std::to_string(firstRows.size()) + " rows";
            return firstRows.size() == smcRows + hidRows + 1;
        },
        10s, why))
        << why;
    EXPECT_TRUE(std::any_of(firstRows.begin(), firstRows.end(),
                            [](const std::string& r) { return r.starts_with(driveName); }))
        << "the drive is listed";
    x.screenshot((shots / "main-window.png").string());
    if (const auto node = windowAt(a11y, *main)) std::ofstream(shots / "main-window-a11y.txt") << node->dump();

    // A hotter machine shows in the list on a later refresh.
    s.sim().setLoad(1.0);
    s.sim().setAmbient(35);
    EXPECT_TRUE(eventually(
        [&](std::string&) {
            const auto node = windowAt(a11y, *main);
            return node && sensorRows(*node) != firstRows && sensorRows(*node).size() == firstRows.size();
        },
        15s, why))
        << "the values did not change";

    // The left fan card's slider, dragged to a quarter of its track, forces
    // the left fan to that speed.
    const json before = s.fans();
    const auto node = windowAt(a11y, *main);
    ASSERT_TRUE(node);
    const Node* slider = node->find([](const Node& n) {
        return n.role == QStringLiteral("slider") && n.name == QStringLiteral("Left Fan") && n.extents;
    });
    ASSERT_TRUE(slider) << "no slider for the left fan";
    const QRect track = *slider->extents;
    const double min = before[0]["min"].get<double>(), max = before[0]["max"].get<double>();
    const double fraction = (before[0]["target"].get<double>() - min) / (max - min);
    const int y = track.center().y();
    x.drag(track.x() + int(std::lround(fraction * track.width())), y, track.x() + track.width() / 4, y);
    const double wanted = min + (max - min) / 4;
    EXPECT_TRUE(s.waitFans(
        [&](const json& fans) {
            return fans[0]["mode"] == 1 && std::abs(fans[0]["target"].get<double>() - wanted) < 0.1 * (max - min);
        },
        6s))
        << "wanted about " << wanted << "; " << s.fans().dump();
    x.screenshot((shots / "main-window-dragged.png").string());

    // Quit from the panel hands the fans back and ends the program.
    x.click(icon->centerX(), icon->centerY());
    const auto again = waitWindow(x, isPanel, 5s);
    ASSERT_TRUE(again) << "the panel did not open over the main window";
    x.screenshot((shots / "before-quit.png").string());
    x.click(again->x + again->width / 2, again->y + quitRowY);
    EXPECT_EQ(s.app().wait(10s), std::optional<int>(0)) << "the program did not end by itself";
    EXPECT_TRUE(s.waitFans(bothAutomatic, 1s)) << s.fans().dump();
}

}  // namespace
}  // namespace ventiq
