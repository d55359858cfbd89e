#pragma once
#include <QImage>

#include <optional>
#include <string>
#include <vector>

#include <QString>

namespace ventiq {

class VentiqPrefs;

// Draws the menu-bar item: the fan icon, both fan speeds and optionally one
// temperature, 22 points high. Stateless; the status item and the settings
// window's preview both use it.
namespace MenuBarRenderer {

struct Options {
    // 0: icon and speeds on two lines; 1: on one line; 2: icon only.
    int style = 0;
    // A monochrome template image that the host tints, else the coloured tile.
    bool mono = true;
    // Drawn right of the speeds; absent: no temperature.
    std::optional<std::string> tempText;
    // Chooses the text colour of a coloured image.
    bool darkMenuBar = true;

    bool operator==(const Options&) const = default;
};

// The bundle's own artwork for the icon; an empty image falls back to the
// drawn symbol or tile. Without symbols the monochrome icon falls through to
// the coloured one.
struct Artwork {
    QImage menuBarIcon;
    QImage blueTile;
    bool symbols = true;
};

struct Image {
    // At the requested device-pixel ratio.
    QImage image;
    // In points.
    double width = 0;
    double height = 0;
    // Black ink that the host is expected to tint.
    bool isTemplate = false;
};

Options options(const VentiqPrefs& prefs, std::optional<double> temp, bool darkMenuBar);
Image render(std::optional<int> leftRPM, std::optional<int> rightRPM, const Options& options = {},
             double devicePixelRatio = 1.0, const Artwork& artwork = {});

// The texts the image shows, one entry per drawn line: the speed lines,
// then the temperature.
std::vector<QString> texts(std::optional<int> leftRPM, std::optional<int> rightRPM, const Options& options = {});

// A template image recoloured for a host that does not tint: every pixel
// keeps its coverage and takes the colour.
QImage tinted(const QImage& image, const QColor& color);

}  // namespace MenuBarRenderer
}  // namespace ventiq
