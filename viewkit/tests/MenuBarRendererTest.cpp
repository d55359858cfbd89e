#include <gtest/gtest.h>

#include <QColor>

#include <cmath>
#include <string>

#include "platform/InMemoryPreferenceStore.h"
#include "settings/VentiqPrefs.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/SymbolIcons.h"
#include "viewkit/tests/QtTestApp.h"

namespace ventiq {
namespace {

using MenuBarRenderer::Options;
using MenuBarRenderer::render;

Options style(int s, bool mono = true) {
    Options o;
    o.style = s;
    o.mono = mono;
    return o;
}

class MenuBarRendererTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApp(); }
};

TEST_F(MenuBarRendererTest, DefaultOptionsGiveATemplateAndColourDoesNot) {
    const Options defaults;
    EXPECT_EQ(defaults.style, 0);
    EXPECT_TRUE(defaults.mono);
    EXPECT_FALSE(defaults.tempText.has_value());
    EXPECT_TRUE(defaults.darkMenuBar);
    EXPECT_TRUE(render(3238, 3193).isTemplate);
    EXPECT_FALSE(render(3238, 3193, style(0, false)).isTemplate);
}

TEST_F(MenuBarRendererTest, WidthsAndHeightsPerStyle) {
    const auto twoLines = render(3238, 3193, style(0));
    const auto oneLine = render(3238, 3193, style(1));
    const auto iconOnly = render(3238, 3193, style(2));
    EXPECT_NEAR(twoLines.width, 58, 6);
    EXPECT_GT(oneLine.width, twoLines.width);
    EXPECT_LT(iconOnly.width, 30);
    for (const int s : {0, 1, 2})
        for (const double dpr : {1.0, 2.0}) {
            const auto image = render(3238, 3193, style(s), dpr);
            EXPECT_EQ(image.height, 22) << "style " << s;
            EXPECT_EQ(image.image.height(), static_cast<int>(22 * dpr));
            EXPECT_EQ(image.image.width(), static_cast<int>(std::ceil(image.width * dpr)));
            EXPECT_EQ(image.image.devicePixelRatio(), dpr);
        }
}

TEST_F(MenuBarRendererTest, WidthDoesNotFollowTheDigits) {
    for (const int s : {0, 1, 2}) {
        EXPECT_EQ(render(999, 1000, style(s)).width, render(5349, 5777, style(s)).width) << "style " << s;
        EXPECT_EQ(render(std::nullopt, std::nullopt, style(s)).width, render(5349, 5777, style(s)).width) << s;
    }
}

TEST_F(MenuBarRendererTest, TemperatureWidensTheImage) {
    for (const int s : {0, 1, 2}) {
        Options o = style(s);
        const double without = render(3238, 3193, o).width;
        o.tempText = "47°C";
        const double with = render(3238, 3193, o).width;
        EXPECT_GT(with, without) << "style " << s;
    }
}

TEST_F(MenuBarRendererTest, AbsentReadingsShowDashes) {
    const QString enDash = QString::fromUtf8("\u2013");
    EXPECT_EQ(MenuBarRenderer::texts(std::nullopt, std::nullopt, style(0)),
              (std::vector<QString>{"L " + enDash, "R " + enDash}));
    EXPECT_EQ(MenuBarRenderer::texts(std::nullopt, 1200, style(1)), (std::vector<QString>{"L " + enDash + "  R 1200"}));
    EXPECT_TRUE(MenuBarRenderer::texts(1, 2, style(2)).empty());

    InMemoryPreferenceStore store;
    VentiqPrefs prefs(store);
    prefs.setMenuBarShowTemp(true);
    const Options noReading = MenuBarRenderer::options(prefs, std::nullopt, true);
    EXPECT_EQ(noReading.tempText, std::string("\u2014"));
    EXPECT_EQ(MenuBarRenderer::texts(1, 2, noReading).back(), QString::fromUtf8("\u2014"));
}

TEST_F(MenuBarRendererTest, OptionsFollowThePreferences) {
    InMemoryPreferenceStore store;
    VentiqPrefs prefs(store);
    EXPECT_EQ(MenuBarRenderer::options(prefs, 47.0, true), Options{}) << "defaults, temperature off";
    prefs.setMenuBarStyle(1);
    prefs.setMenuBarMono(false);
    prefs.setMenuBarShowTemp(true);
    prefs.setUseFahrenheit(true);
    const Options o = MenuBarRenderer::options(prefs, 47.0, false);
    EXPECT_EQ(o.style, 1);
    EXPECT_FALSE(o.mono);
    EXPECT_FALSE(o.darkMenuBar);
    EXPECT_EQ(o.tempText, std::string("117°F"));
}

// The icon's fallbacks, read from pixels inside the icon's 16-point square
// (x 4…20 from the left, y 3…19 from the top).
TEST_F(MenuBarRendererTest, IconFallbacks) {
    const auto colourAt = [](const QImage& image, int x, int y) { return image.pixelColor(x, y); };
    MenuBarRenderer::Artwork none;
    none.symbols = false;

    // Coloured without artwork: the drawn tile, its corner region blue.
    const QImage tile = render(1, 2, style(2, false), 1.0, none).image;
    const QColor corner = colourAt(tile, 6, 17);
    EXPECT_EQ(corner.alpha(), 255);
    EXPECT_GT(corner.blue(), corner.red());
    // The bottom of the tile is the light end of the gradient, the top the dark end.
    EXPECT_GT(colourAt(tile, 6, 17).lightness(), colourAt(tile, 6, 4).lightness());

    // Monochrome with the symbol: black ink only, some of it opaque.
    const QImage mono = render(1, 2, style(2, true)).image;
    int opaque = 0;
    for (int y = 3; y < 19; ++y)
        for (int x = 4; x < 20; ++x) {
            const QColor c = colourAt(mono, x, y);
            if (c.alpha() > 0) {
                EXPECT_EQ(c.red() + c.green() + c.blue(), 0) << x << "," << y;
            }
            opaque += c.alpha() == 255;
        }
    EXPECT_GT(opaque, 20);

    // Monochrome when no symbol can be made falls through to the coloured tile.
    const QImage fallen = render(1, 2, style(2, true), 1.0, none).image;
    EXPECT_EQ(colourAt(fallen, 6, 17), corner);

    // Bundle artwork wins over both.
    MenuBarRenderer::Artwork art;
    art.blueTile = QImage(16, 16, QImage::Format_ARGB32_Premultiplied);
    art.blueTile.fill(Qt::red);
    EXPECT_EQ(colourAt(render(1, 2, style(2, false), 1.0, art).image, 10, 10), QColor(Qt::red));
}

TEST_F(MenuBarRendererTest, TintKeepsCoverage) {
    const auto image = render(3238, 3193, style(0));
    const QImage white = MenuBarRenderer::tinted(image.image, Qt::white);
    for (int y = 0; y < image.image.height(); ++y)
        for (int x = 0; x < image.image.width(); ++x) {
            EXPECT_EQ(white.pixelColor(x, y).alpha(), image.image.pixelColor(x, y).alpha());
            if (white.pixelColor(x, y).alpha() == 255) {
                EXPECT_EQ(white.pixelColor(x, y), QColor(Qt::white));
            }
        }
}

TEST_F(MenuBarRendererTest, EveryNamedSymbolHasAnIcon) {
    for (const char* name : {"fan.fill", "gearshape", "chevron.right", "chevron.left", "cpu", "memorychip",
                             "bolt.fill", "internaldrive", "wifi", "menubar.rectangle", "slider.horizontal.3",
                             "info.circle"}) {
        const QImage image = SymbolIcons::image(name, 14, Qt::white, 2.0);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.width(), 28) << name;
        bool inked = false;
        for (int y = 0; y < image.height() && !inked; ++y)
            for (int x = 0; x < image.width() && !inked; ++x) inked = image.pixelColor(x, y).alpha() == 255;
        EXPECT_TRUE(inked) << name;
    }
    EXPECT_TRUE(SymbolIcons::image("no.such.symbol", 14, Qt::white).isNull());
}

}  // namespace
}  // namespace ventiq
